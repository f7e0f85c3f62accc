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
#include "tests/render/draw_helpers.h"

namespace vimsa::test {

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

    // The shared helpers of draw_helpers.h, for the tests' unqualified calls.
    static Handle<Texture> MakeTexture(Renderer& renderer, uint32_t width, uint32_t height,
                                       const std::function<Rgba(uint32_t, uint32_t)>& colour) {
        return test::MakeTexture(renderer, width, height, colour);
    }
    static Handle<Texture> SolidTexture(Renderer& renderer, Rgba colour) {
        return test::SolidTexture(renderer, colour);
    }
    static void DrawRect(Renderer& renderer, float x0, float y0, float x1, float y1, Rgba colour,
                         float z = 0.0f, float w = 1.0f) {
        test::DrawRect(renderer, x0, y0, x1, y1, colour, z, w);
    }

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
