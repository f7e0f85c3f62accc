// The same scenes drawn by the Direct3D back-end on the software device and
// by the OpenGL back-end on Mesa: the pictures must agree closely, over the
// whole frame (PSNR of at least 30 dB) and in every 32 x 32 tile (at least
// 20 dB).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <limits>
#include <memory>

#include "render/direct3d8/d3d8_renderer.h"
#include "render/direct3d8/headless_d3d8_window.h"
#include "render/image_file.h"
#include "render/opengl/gl_renderer.h"
#include "render/opengl/headless_gl_window.h"
#include "render/render_state.h"
#include "scene/light.h"
#include "tests/render/draw_helpers.h"
#include "tests/support/test_scenes.h"

namespace vimsa {
namespace {

constexpr uint32_t kWidth = 96, kHeight = 72;
constexpr int kTile = 32;
constexpr double kIdentical = 99.0;  // the PSNR reported for equal pictures

struct Picture {
    std::vector<uint8_t> rgba;
    uint32_t width = 0, height = 0;
};

// Pixels left out of a comparison: x0 <= x < x1, y0 <= y < y1.
struct Region {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool Holds(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

// Peak signal-to-noise ratio over the red, green and blue channels of a
// rectangle of two pictures of the same size, pixels of `left` aside.
double Psnr(const Picture& a, const Picture& b, int x0, int y0, int x1, int y1,
            const Region& left = {}) {
    double squares = 0;
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (left.Holds(x, y)) continue;
            const std::size_t at = (std::size_t(y) * a.width + std::size_t(x)) * 4;
            for (int c = 0; c < 3; ++c) {
                const double d = double(a.rgba[at + c]) - double(b.rgba[at + c]);
                squares += d * d;
                ++count;
            }
        }
    }
    if (count == 0 || squares == 0) return kIdentical;
    return std::min(kIdentical, 10.0 * std::log10(255.0 * 255.0 / (squares / count)));
}

struct Agreement {
    double frame = 0;
    double worstTile = kIdentical;
    int worstX = 0, worstY = 0;  // the worst tile's top-left pixel
};

Agreement Compare(const Picture& a, const Picture& b, const Region& left = {}) {
    Agreement result;
    result.frame = Psnr(a, b, 0, 0, int(a.width), int(a.height), left);
    for (int y = 0; y < int(a.height); y += kTile) {
        for (int x = 0; x < int(a.width); x += kTile) {
            const double tile = Psnr(a, b, x, y, std::min(x + kTile, int(a.width)),
                                     std::min(y + kTile, int(a.height)), left);
            if (tile < result.worstTile) {
                result.worstTile = tile;
                result.worstX = x;
                result.worstY = y;
            }
        }
    }
    return result;
}

// Draws one scene on one back-end. A fresh renderer each time: mesh colours
// are packed for the renderer made last.
using Scene = std::function<void(Renderer&, test::SceneStage&)>;

void Draw(Renderer& renderer, const Scene& scene) {
    render_state::ClearBoundTextures();
    Handle<Texture> white = test::SolidTexture(renderer, {255, 255, 255, 255});
    renderer.SetDefaultTexture(white.Get());
    SetCurrentRenderer(&renderer);
    test::SceneStage stage;
    scene(renderer, stage);
}

Picture DrawWithOpenGL(const Scene& scene) {
    Picture p{{}, kWidth, kHeight};
    HeadlessGLWindow window(kWidth, kHeight);
    Handle<GLRenderer> renderer(new GLRenderer);
    if (!renderer->Init(&window, kDisplayWindow, 0, 0)) return p;
    EXPECT_EQ(renderer->CreateVertexPool(256), RESULT_OK);
    Draw(*renderer, scene);
    EXPECT_TRUE(renderer->ReadPixels(p.rgba));
    return p;
}

Picture DrawWithDirect3D(const Scene& scene) {
    Picture p{{}, kWidth, kHeight};
    HeadlessD3D8Window window(kWidth, kHeight);
    Handle<D3D8Renderer> renderer(new D3D8Renderer);
    if (!renderer->Init(&window, kDisplayWindow, 0, 0)) return p;
    EXPECT_EQ(renderer->CreateVertexPool(256), RESULT_OK);
    Draw(*renderer, scene);
    EXPECT_TRUE(renderer->ReadPixels(p.rgba));
    return p;
}

// Writes both pictures when VIMSA_WRITE_COMPARISONS names a folder.
void WritePictures(const std::string& name, const Picture& gl, const Picture& d3d) {
    const char* folder = std::getenv("VIMSA_WRITE_COMPARISONS");
    if (!folder) return;
    for (const auto& [suffix, picture] : {std::pair{"_gl", &gl}, std::pair{"_d3d8", &d3d}}) {
        Handle<Texture> t(new Texture);
        t->SetChannelOrder(kOrderRgb);
        ASSERT_EQ(t->Create(name, picture->width, picture->height, kFormat8888), RESULT_OK);
        std::copy(picture->rgba.begin(), picture->rgba.end(), t->Pixels());
        const auto path = std::filesystem::path(folder) / (name + suffix + ".tga");
        EXPECT_EQ(SaveImage(t.Get(), path.string(), kImageTga, 24), RESULT_OK);
    }
}

class CrossBackEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!gl::EglPbufferSurface::Available()) GTEST_SKIP() << "no headless OpenGL";
    }

    // Both pictures, compared (pixels of `left` aside); the figures are
    // printed for the record.
    Agreement CompareScene(const std::string& name, const Scene& scene, const Region& left = {}) {
        const Picture gl = DrawWithOpenGL(scene);
        const Picture d3d = DrawWithDirect3D(scene);
        EXPECT_EQ(gl.rgba.size(), std::size_t{kWidth} * kHeight * 4);
        EXPECT_EQ(d3d.rgba.size(), gl.rgba.size());
        if (gl.rgba.size() != d3d.rgba.size() || gl.rgba.empty()) return {};
        WritePictures(name, gl, d3d);
        const Agreement whole = Compare(gl, d3d);
        if (left.x1 > left.x0)
            std::cout << name << " (whole picture): frame " << whole.frame << " dB, worst tile "
                      << whole.worstTile << " dB at (" << whole.worstX << ", " << whole.worstY
                      << ")\n";
        const Agreement a = Compare(gl, d3d, left);
        std::cout << name << ": frame " << a.frame << " dB, worst tile " << a.worstTile
                  << " dB at (" << a.worstX << ", " << a.worstY << ")\n";
        RecordProperty(name + "_frame_db", std::to_string(a.frame));
        RecordProperty(name + "_worst_tile_db", std::to_string(a.worstTile));
        return a;
    }

    void ExpectAgreement(const std::string& name, const Scene& scene, const Region& left = {}) {
        const Agreement a = CompareScene(name, scene, left);
        EXPECT_GE(a.frame, 30.0) << name;
        EXPECT_GE(a.worstTile, 20.0)
            << name << ": tile at (" << a.worstX << ", " << a.worstY << ")";
    }
};

TEST_F(CrossBackEndTest, LitTexturedRoom) {
    ExpectAgreement("lit_room", [](Renderer& r, test::SceneStage& stage) {
        test::BuildLitRoom(stage, r);
        stage.DrawFrame(r, false);
    });
}

TEST_F(CrossBackEndTest, PortalView) {
    ExpectAgreement("portal_view", [](Renderer& r, test::SceneStage& stage) {
        test::BuildPortalView(stage);
        stage.DrawFrame(r, true);
    });
}

TEST_F(CrossBackEndTest, Mirror) {
    ExpectAgreement("mirror", [](Renderer& r, test::SceneStage& stage) {
        test::BuildMirrorRoom(stage);
        stage.DrawFrame(r, true);
    });
}

TEST_F(CrossBackEndTest, TextLikeQuadBatch) {
    ExpectAgreement("text_batch", [](Renderer& r, test::SceneStage&) {
        Handle<Texture> font = test::GlyphFont(r);
        test::DrawTextBatch(r, *font, 1.0f, {1, 1, 1, 1});
    });
}

TEST_F(CrossBackEndTest, WireFrameRoom) {
    ExpectAgreement("wire_frame_room", [](Renderer& r, test::SceneStage& stage) {
        test::BuildLitRoom(stage, r);
        stage.DrawFrame(r, false, false);
    });
}

// A white wall lit by a spot light and a point light, as in the OpenGL
// back-end's own test.
void SpotAndPointLitWall(Renderer& r, test::SceneStage& stage) {
    test::BuildSpotAndPointLitWall(stage);
    stage.DrawFrame(r, false);
}

// The spot light differs between its inner and its outer cone: the device
// ramps its light down linearly in the cosine there (as the scene's own
// vertex lighting does), OpenGL keeps it at the cosine and cuts it off at
// the outer cone. The cone meets the wall within x -5.5..-0.5, y -2.5..2.5,
// pixels 34..47 x 29..43; everywhere else the pictures agree.
TEST_F(CrossBackEndTest, SpotAndPointLights) {
    ExpectAgreement("spot_light", SpotAndPointLitWall, Region{33, 28, 48, 44});
}

}  // namespace
}  // namespace vimsa
