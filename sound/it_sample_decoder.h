#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vimsa {

// Expands Impulse Tracker 2.14/2.15 compressed sample data. The input is a
// series of blocks, each a 16-bit length followed by a bit stream that yields
// up to 0x8000 bytes of samples. Values are signed as stored (16-bit ones
// little-endian). `it215` selects the second delta stage of the 2.15 form.
//
// At most `frames` samples are produced; a block that ends early or carries an
// invalid bit width ends that block (the rest of it stays 0), and running out
// of input ends the sample. Returns the number of whole frames decoded into
// `out`, which is sized to `frames` samples.
size_t DecodeItSample(const uint8_t* input, size_t inputSize, size_t frames, bool sixteenBit,
                      bool it215, std::vector<uint8_t>& out);

}  // namespace vimsa
