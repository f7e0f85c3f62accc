#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/result.h"

namespace vimsa {

class Texture;

inline constexpr uint32_t kTgaHeaderSize = 18;

// Decodes an uncompressed true-colour TGA (image type 2) of 16, 24 or 32 bits
// into `texture`, in the texture's channel order, rows top to bottom. 16-bit
// files become "0565" (their alpha bit is dropped), 24-bit "0888", 32-bit
// "8888". The identification field and any colour map are skipped.
Result DecodeTga(std::span<const uint8_t> file, Texture& texture);

// Encodes the texture's pixels as an uncompressed TGA of `bits` (16, 24, 32)
// per pixel, bottom row first. 16-bit pixels are written in the standard
// 5-5-5 layout with the alpha bit on top, so that every reader agrees.
Result EncodeTga(const Texture& texture, uint32_t bits, std::vector<uint8_t>& out);

}  // namespace vimsa
