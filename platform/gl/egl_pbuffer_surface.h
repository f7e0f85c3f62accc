#pragma once

#include <cstdint>
#include <memory>

#include "platform/gl/gl_binding.h"

namespace vimsa::gl {

// An off-screen drawable for headless OpenGL: an EGL pbuffer on Mesa's
// surfaceless platform (no X or Wayland display needed) with a desktop
// OpenGL compatibility context. The pbuffer always has 8 bits per colour
// channel, a depth buffer and an 8-bit stencil buffer, whatever the request
// asks for, so that read-back pixels are exact.
class EglPbufferSurface : public Surface {
public:
    EglPbufferSurface(uint32_t width, uint32_t height);

    bool ClientSize(uint32_t& width, uint32_t& height) const override;
    std::unique_ptr<Context> CreateContext(const PixelFormatRequest& request) override;

    // True when this machine offers a surfaceless EGL display with desktop
    // OpenGL.
    static bool Available();

private:
    uint32_t width_;
    uint32_t height_;
};

}  // namespace vimsa::gl
