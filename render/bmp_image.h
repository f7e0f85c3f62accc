#pragma once

#include <cstdint>
#include <span>

#include "core/result.h"

namespace vimsa {

class Texture;

inline constexpr uint32_t kBmpMinimumSize = 14;

// Decodes a 24-bit uncompressed BMP into a "0888" texture in the texture's
// channel order. Rows keep the file's order (bottom row first for the usual
// positive height); the padding that ends each stored row at a multiple of
// 4 bytes is skipped.
Result DecodeBmp(std::span<const uint8_t> file, Texture& texture);

}  // namespace vimsa
