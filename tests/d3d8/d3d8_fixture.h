#pragma once

// A Direct3D renderer on a headless window, and helpers to draw and read
// the back buffer.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "render/direct3d8/d3d8_renderer.h"
#include "render/direct3d8/headless_d3d8_window.h"
#include "tests/render/draw_helpers.h"

namespace vimsa::test {

class D3D8Fixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A renderer on a new window of the given size, initialised with 0 x 0
    // (the window's size) and a pool of 256 vertices.
    Handle<D3D8Renderer> MakeRenderer(uint32_t width, uint32_t height,
                                      D3D8RendererOptions options = {});
    // Options for a device of one texture unit.
    static D3D8RendererOptions OneUnit();

    // The pixel at (x, y) of the last ReadBack.
    Rgba At(int x, int y) const { return PixelAt(pixels_, pixelsWidth_, x, y); }
    void ReadBack();
    static void ReadBack(D3D8Renderer& renderer, std::vector<uint8_t>& out);

    // A frame begun for drawing in 2-D with the default texture, or in 3-D
    // from the origin looking along +z with a 90 degree view.
    static void Begin2DFrame(Renderer& r);
    static void Begin3DFrame(Renderer& r);

    static constexpr uint32_t kSize = 64;
    std::vector<std::unique_ptr<HeadlessD3D8Window>> windows_;
    Handle<D3D8Renderer> renderer_;
    std::vector<uint8_t> pixels_;
    uint32_t pixelsWidth_ = 0;
};

}  // namespace vimsa::test
