#include "platform/d3d8/present_target.h"

#include <new>

#include "platform/d3d8/surface_format.h"

namespace vimsa::d3d8 {

ImageTarget::ImageTarget(uint32_t width, uint32_t height) : width_(width), height_(height) {}

bool ImageTarget::ClientSize(uint32_t& width, uint32_t& height) const {
    width = width_;
    height = height_;
    return true;
}

void ImageTarget::ShowFrame(const uint8_t* pixels, uint32_t pitch, uint32_t width, uint32_t height,
                            D3DFORMAT format) {
    const uint32_t bytes = FormatBytes(format);
    if (!pixels || bytes == 0) return;
    if (width != frameWidth_ || height != frameHeight_ || !image_) {
        image_.reset(new (std::nothrow) uint32_t[std::size_t{width} * height]);
        if (!image_) {
            frameWidth_ = frameHeight_ = 0;
            return;
        }
        frameWidth_ = width;
        frameHeight_ = height;
    }
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = pixels + std::size_t{y} * pitch;
        uint32_t* out = image_.get() + std::size_t{y} * width;
        for (uint32_t x = 0; x < width; ++x)
            out[x] = DecodeArgb(row + x * bytes, format) | 0xFF000000u;
    }
    ++frames_;
}

uint32_t ImageTarget::Pixel(uint32_t x, uint32_t y) const {
    if (!image_ || x >= frameWidth_ || y >= frameHeight_) return 0;
    return image_[std::size_t{y} * frameWidth_ + x];
}

}  // namespace vimsa::d3d8
