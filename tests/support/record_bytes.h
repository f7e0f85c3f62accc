#pragma once

// Chunk records written to and read from memory, for tests of the serializers.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "io/chunk_stream.h"

namespace vimsa::testing {

using Bytes = std::vector<uint8_t>;

// Runs `write` twice: once counting, once into a block of the counted size.
inline Bytes WrittenBytes(const std::function<void(ChunkStream&)>& write) {
    ChunkStream counter;
    counter.SetCounting();
    write(counter);
    EXPECT_FALSE(counter.IsBad());
    ChunkStream out(Bytes(counter.Tell()));
    write(out);
    EXPECT_FALSE(out.IsBad());
    return out.TakeBlock();
}

// The first place `tag` occurs in `bytes` at or after `from`, or npos.
inline size_t FindTag(const Bytes& bytes, const char (&tag)[5], size_t from = 0) {
    for (size_t i = from; i + 4 <= bytes.size(); ++i) {
        if (bytes[i] == tag[0] && bytes[i + 1] == tag[1] && bytes[i + 2] == tag[2] &&
            bytes[i + 3] == tag[3])
            return i;
    }
    return static_cast<size_t>(-1);
}

inline uint32_t U32At(const Bytes& bytes, size_t at) {
    return static_cast<uint32_t>(bytes[at]) | (static_cast<uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<uint32_t>(bytes[at + 2]) << 16) |
           (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

inline void PutU32(Bytes& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace vimsa::testing
