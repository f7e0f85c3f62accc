#pragma once

#include <cstdint>
#include <memory>

#include "platform/d3d8/d3d8_types.h"

namespace vimsa::d3d8 {

// The picture a texture is sampled from: its texels widened to 0xAARRGGBB,
// rows top first. A block never changes once made: a texture that is written
// makes a new one, and draws still waiting to be rasterised keep the old.
struct TexelBlock {
    uint32_t width = 0;
    uint32_t height = 0;
    // Both sides are powers of two: wrapping is a mask, and a row starts at
    // y << widthShift.
    bool powerOfTwo = false;
    int widthShift = 0;
    std::unique_ptr<uint32_t[]> texels;
};

// A block from `height` rows of `pitch` bytes in a texture format.
std::shared_ptr<const TexelBlock> MakeTexelBlock(const uint8_t* bits, uint32_t pitch,
                                                 uint32_t width, uint32_t height, D3DFORMAT format);

}  // namespace vimsa::d3d8
