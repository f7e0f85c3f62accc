#pragma once

// A headless OpenGL renderer on a small pbuffer, and helpers to draw simple
// geometry and read pixels back.

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "render/opengl/gl_renderer.h"
#include "render/opengl/headless_gl_window.h"
#include "render/texture.h"

namespace vimsa::test {

using Rgba = std::array<int, 4>;

// Fails the test when two colours differ by more than `tolerance` in a channel
// (alpha not compared).
::testing::AssertionResult NearColour(const Rgba& got, const Rgba& want, int tolerance = 2);

class GLFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates a renderer on a new pbuffer of the given size.
    Handle<GLRenderer> MakeRenderer(uint32_t width, uint32_t height,
                                    GLRendererOptions options = {});

    // The pixel at (x, y), y counted from the top, of the last ReadBack.
    Rgba At(int x, int y) const;
    void ReadBack();
    void ReadBack(GLRenderer& renderer, std::vector<uint8_t>& out);

    // A texture of the renderer, uploaded: width x height pixels of colour(x, y).
    Handle<Texture> MakeTexture(GLRenderer& renderer, uint32_t width, uint32_t height,
                                const std::function<Rgba(uint32_t, uint32_t)>& colour);
    // One-colour texture.
    Handle<Texture> SolidTexture(GLRenderer& renderer, Rgba colour);

    // A screen-space rectangle through the vertex pool, counter-clockwise as
    // seen on screen (the front side in the 2-D projection).
    void DrawRect(GLRenderer& renderer, float x0, float y0, float x1, float y1, Rgba colour,
                  float z = 0.0f, float w = 1.0f);

    // Compares the frame with a reference picture in tests/gl/data (writes the
    // picture instead when VIMSA_WRITE_GL_REFERENCES names a folder).
    void ExpectMatchesReference(const std::string& name, int tolerance, int maxOff);

    static constexpr uint32_t kSize = 64;
    std::unique_ptr<HeadlessGLWindow> window_;
    Handle<GLRenderer> renderer_;
    std::vector<std::unique_ptr<HeadlessGLWindow>> extraWindows_;
    std::vector<uint8_t> pixels_;
    uint32_t pixelsWidth_ = 0;
};

}  // namespace vimsa::test
