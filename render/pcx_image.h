#pragma once

#include <cstdint>
#include <span>

#include "core/result.h"

namespace vimsa {

class Texture;

inline constexpr uint32_t kPcxHeaderSize = 128;

// Decodes an 8-bit palette PCX (one plane, run-length encoded) into a "0888"
// texture in the texture's channel order. The palette follows the picture
// data after one marker byte.
Result DecodePcx(std::span<const uint8_t> file, Texture& texture);

}  // namespace vimsa
