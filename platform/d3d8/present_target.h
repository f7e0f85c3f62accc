#pragma once

#include <cstdint>
#include <memory>

#include "platform/d3d8/d3d8_types.h"

namespace vimsa::d3d8 {

// Where Present shows the back buffer: the device window of the
// presentation parameters. A desktop shell implements it on its window;
// ImageTarget keeps the last presented frame for headless use.
class PresentTarget {
public:
    virtual ~PresentTarget() = default;
    // Size of the drawable area in pixels.
    virtual bool ClientSize(uint32_t& width, uint32_t& height) const = 0;
    // Receives one frame: `height` rows of `pitch` bytes in `format`, top row
    // first. The pixels are only valid during the call.
    virtual void ShowFrame(const uint8_t* pixels, uint32_t pitch, uint32_t width, uint32_t height,
                           D3DFORMAT format) = 0;
};

// A target without a display: an image of a fixed client size that holds
// the last presented frame as 0xAARRGGBB words (alpha forced to 255).
class ImageTarget : public PresentTarget {
public:
    ImageTarget(uint32_t width, uint32_t height);

    bool ClientSize(uint32_t& width, uint32_t& height) const override;
    void ShowFrame(const uint8_t* pixels, uint32_t pitch, uint32_t width, uint32_t height,
                   D3DFORMAT format) override;

    // Frames shown so far.
    uint32_t FrameCount() const { return frames_; }
    // Size of the last frame (0 x 0 before the first).
    uint32_t FrameWidth() const { return frameWidth_; }
    uint32_t FrameHeight() const { return frameHeight_; }
    // A pixel of the last frame; 0 outside it.
    uint32_t Pixel(uint32_t x, uint32_t y) const;
    const uint32_t* Pixels() const { return image_.get(); }

private:
    uint32_t width_, height_;
    uint32_t frameWidth_ = 0, frameHeight_ = 0;
    uint32_t frames_ = 0;
    std::unique_ptr<uint32_t[]> image_;
};

}  // namespace vimsa::d3d8
