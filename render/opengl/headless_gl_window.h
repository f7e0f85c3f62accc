#pragma once

#include <cstdint>

#include "platform/gl/egl_pbuffer_surface.h"
#include "render/render_window.h"

namespace vimsa {

// A window for the OpenGL renderer without any display: an off-screen
// pbuffer of a fixed size. Tests, benchmarks and the headless tools draw
// into it.
class HeadlessGLWindow : public RenderWindow, public gl::EglPbufferSurface {
public:
    HeadlessGLWindow(uint32_t width, uint32_t height) : gl::EglPbufferSurface(width, height) {}

    bool ClientSize(uint32_t& width, uint32_t& height) const override {
        return gl::EglPbufferSurface::ClientSize(width, height);
    }
};

}  // namespace vimsa
