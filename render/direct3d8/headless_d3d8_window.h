#pragma once

#include <cstdint>

#include "platform/d3d8/present_target.h"
#include "render/render_window.h"

namespace vimsa {

// A window for the Direct3D renderer without any display: the device
// presents into an image of a fixed size. Tests, benchmarks and the
// headless tools draw into it.
class HeadlessD3D8Window : public RenderWindow, public d3d8::ImageTarget {
public:
    HeadlessD3D8Window(uint32_t width, uint32_t height) : d3d8::ImageTarget(width, height) {}

    bool ClientSize(uint32_t& width, uint32_t& height) const override {
        return d3d8::ImageTarget::ClientSize(width, height);
    }
};

}  // namespace vimsa
