#pragma once

#include <cstdint>
#include <vector>

#include "core/ref_object.h"
#include "core/result.h"

namespace vimsa {

// The LZ block format of compressed object files:
//   u32 expanded length, then groups of one flag byte and up to 8 items.
//   Flag bits are taken from the most significant down: 1 = match, 0 = literal.
//   A literal is one byte. A match is a u16 token distance * 16 + (length - 2)
//   with distance 1..4095 and length 2..17, copied byte by byte from `distance`
//   bytes back in the output (so it may overlap what it produces). A match
//   token below 16 (distance 0) ends the block.
class LzCodec : public RefObject {
public:
    static constexpr uint32_t kWindow = 4095;
    static constexpr uint32_t kMinMatch = 2;
    static constexpr uint32_t kMaxMatch = 17;

    // Compresses `count` bytes. At each position the match is the oldest
    // candidate in the window with the strictly greatest count of equal bytes
    // (at most 17, not past the input's end); fewer than 2 equal bytes give a
    // literal. Inputs of 8 bytes or less, and inputs whose compressed form
    // would not be smaller than `count`, fail with ERR_SERIAL_NOT_SMALLER.
    Result Compress(const uint8_t* input, uint32_t count, std::vector<uint8_t>& block) const;

    // Expands a block. Fails with ERR_BAD_VERSION for a block shorter than 6
    // bytes, one that ends before its end item, one whose output would pass
    // the declared length (or could not fit in what the block can possibly
    // produce), and one whose match reaches before the output's start;
    // ERR_NULL_ARGUMENT for a missing block; ERR_FAIL when memory is short.
    // `output` receives the bytes produced up to the end item.
    Result Decompress(const uint8_t* block, uint32_t count, std::vector<uint8_t>& output) const;
};

}  // namespace vimsa
