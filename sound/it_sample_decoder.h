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
// At most `frames` samples are produced. A block that ends early or carries
// an invalid bit width ends the sample there, so the output never outgrows
// what the input can describe (at least one bit per sample). Returns the
// number of samples decoded into `out`.
size_t DecodeItSample(const uint8_t* input, size_t inputSize, size_t frames, bool sixteenBit,
                      bool it215, std::vector<uint8_t>& out);

}  // namespace vimsa
