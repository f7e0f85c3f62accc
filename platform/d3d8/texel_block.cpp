#include "platform/d3d8/texel_block.h"

#include <new>

#include "platform/d3d8/surface_format.h"

namespace vimsa::d3d8 {
namespace {

bool IsPowerOfTwo(uint32_t v) {
    return v != 0 && (v & (v - 1)) == 0;
}

}  // namespace

std::shared_ptr<const TexelBlock> MakeTexelBlock(const uint8_t* bits, uint32_t pitch,
                                                 uint32_t width, uint32_t height,
                                                 D3DFORMAT format) {
    auto block = std::shared_ptr<TexelBlock>(new (std::nothrow) TexelBlock);
    if (!block) return nullptr;
    block->width = width;
    block->height = height;
    block->powerOfTwo = IsPowerOfTwo(width) && IsPowerOfTwo(height);
    while (block->powerOfTwo && (1u << block->widthShift) < width)
        ++block->widthShift;
    block->texels.reset(new (std::nothrow) uint32_t[std::size_t{width} * height]);
    if (!block->texels) return nullptr;
    const uint32_t bytes = FormatBytes(format);
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = bits + std::size_t{y} * pitch;
        uint32_t* out = block->texels.get() + std::size_t{y} * width;
        for (uint32_t x = 0; x < width; ++x)
            out[x] = DecodeArgb(row + x * bytes, format);
    }
    return block;
}

}  // namespace vimsa::d3d8
