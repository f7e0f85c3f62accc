#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace vimsa {

// Little-endian fields of image headers. Callers check the size first.
inline uint16_t ReadLe16(std::span<const uint8_t> data, std::size_t at) {
    return static_cast<uint16_t>(data[at] | (data[at + 1] << 8));
}

inline uint32_t ReadLe32(std::span<const uint8_t> data, std::size_t at) {
    return uint32_t{data[at]} | (uint32_t{data[at + 1]} << 8) | (uint32_t{data[at + 2]} << 16) |
           (uint32_t{data[at + 3]} << 24);
}

inline void WriteLe16(uint8_t* out, uint32_t value) {
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
}

// True when [offset, offset + length) lies inside a buffer of `size` bytes.
inline bool FitsIn(uint64_t size, uint64_t offset, uint64_t length) {
    return offset <= size && length <= size - offset;
}

}  // namespace vimsa
