// Pictures drawn by GLRenderer on Mesa, read back and checked pixel by pixel.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "render/image_file.h"
#include "render/render_state.h"
#include "tests/gl/gl_fixture.h"
#include "tests/render/image_builders.h"

namespace vimsa {
namespace {

using test::FacingQuad;
using test::kBlue;
using test::kGreen;
using test::kRed;
using test::kWhite;
using test::NearColour;
using test::Quadrants;
using test::Rgba;

constexpr Rgba kBackground{191, 191, 191, 0};

// Screen centres of the quad's four quadrants on a 64 x 64 target.
constexpr int kLeft = 24, kRight = 40, kTop = 21, kBottom = 43;

class GLDrawingTest : public test::GLFixture {
protected:
    void Begin2DFrame(GLRenderer& r) {
        ASSERT_TRUE(r.BeginFrame());
        ASSERT_TRUE(r.Clear(kClearAll));
        ASSERT_TRUE(r.Begin2D());
        ASSERT_EQ(r.BindTexture(0, nullptr), RESULT_OK);
    }

    void Begin3DFrame(GLRenderer& r) {
        ASSERT_TRUE(r.BeginFrame());
        ASSERT_TRUE(r.Clear(kClearAll));
        ASSERT_TRUE(r.Begin3DView(1.5707964f, 1.0f, 100.0f, Matrix4::Identity()));
        const Matrix4 world;
        ASSERT_TRUE(r.SetViewMatrix(&world, nullptr));
    }

    static LightSet Directional(Vector3 direction, float level) {
        DeviceLight l;
        l.kind = kLightDirectional;
        l.direction = direction;
        l.colour = {level, level, level, 1};
        LightSet set;
        set.Add(l);
        return set;
    }
};

TEST_F(GLDrawingTest, TexturedLitQuad) {
    Handle<Texture> texture = MakeTexture(*renderer_, 4, 4, Quadrants);
    FacingQuad quad;
    Begin3DFrame(*renderer_);
    renderer_->LoadLights(Directional({0, 0, 1}, 0.5f));  // shining at the quad
    ASSERT_EQ(renderer_->BindTexture(0, texture.Get()), RESULT_OK);
    renderer_->DrawIndexed(quad.vertices, 4, quad.indices, 2);
    renderer_->EndFrame();

    ReadBack();
    EXPECT_TRUE(NearColour(At(kLeft, kTop), {128, 0, 0, 0}));
    EXPECT_TRUE(NearColour(At(kRight, kTop), {0, 128, 0, 0}));
    EXPECT_TRUE(NearColour(At(kLeft, kBottom), {0, 0, 128, 0}));
    EXPECT_TRUE(NearColour(At(kRight, kBottom), {128, 128, 128, 0}));
    EXPECT_TRUE(NearColour(At(2, 2), kBackground));
    ExpectMatchesReference("textured_lit_quad", 3, 8);

    // A light shining the other way leaves only the (black) ambient.
    Begin3DFrame(*renderer_);
    renderer_->LoadLights(Directional({0, 0, -1}, 1.0f));
    renderer_->DrawIndexed(quad.vertices, 4, quad.indices, 2);
    renderer_->EndFrame();
    ReadBack();
    EXPECT_TRUE(NearColour(At(kLeft, kTop), {0, 0, 0, 0}));
    EXPECT_TRUE(NearColour(At(kRight, kBottom), {0, 0, 0, 0}));
}

TEST_F(GLDrawingTest, BackFacesAreCulledAndCullFrontFlipsIt) {
    FacingQuad quad;
    std::swap(quad.indices[1], quad.indices[2]);
    std::swap(quad.indices[4], quad.indices[5]);
    Begin3DFrame(*renderer_);
    renderer_->EnableLighting(false);
    renderer_->DrawIndexed(quad.vertices, 4, quad.indices, 2);
    ReadBack();
    EXPECT_TRUE(NearColour(At(32, 32), kBackground));
    renderer_->SetCullFront(true);
    renderer_->DrawIndexed(quad.vertices, 4, quad.indices, 2);
    renderer_->SetCullFront(false);
    renderer_->EndFrame();
    ReadBack();
    EXPECT_TRUE(NearColour(At(32, 32), kWhite));
}

TEST_F(GLDrawingTest, BadIndicesDrawNothing) {
    FacingQuad quad;
    quad.indices[5] = 4;  // one past the last vertex
    Begin3DFrame(*renderer_);
    renderer_->EnableLighting(false);
    renderer_->DrawIndexed(quad.vertices, 4, quad.indices, 2);
    renderer_->EndFrame();
    ReadBack();
    EXPECT_TRUE(NearColour(At(32, 32), kBackground));
}

TEST_F(GLDrawingTest, AlphaBlendingAndAlphaTest) {
    Begin2DFrame(*renderer_);
    DrawRect(*renderer_, 0, 0, 32, 64, {255, 0, 0, 128});
    renderer_->EnableAlphaTest(true);
    renderer_->SetAlphaFunc(kCompareGreater, 128);
    DrawRect(*renderer_, 32, 0, 64, 32, {0, 0, 255, 100});  // fails the test
    DrawRect(*renderer_, 32, 32, 64, 64, {0, 0, 255, 200});
    renderer_->EnableAlphaTest(false);
    renderer_->EndFrame();
    ReadBack();
    // 128/255 of the colour over 127/255 of the background.
    EXPECT_TRUE(NearColour(At(16, 32), {223, 95, 95, 0}));
    EXPECT_TRUE(NearColour(At(48, 16), kBackground));
    EXPECT_TRUE(NearColour(At(48, 48), {41, 41, 241, 0}));
}

TEST_F(GLDrawingTest, DepthTestKeepsTheNearestAndCanBeSwitchedOff) {
    Begin2DFrame(*renderer_);
    DrawRect(*renderer_, 0, 0, 64, 64, kRed, 0.5f);
    DrawRect(*renderer_, 0, 0, 32, 64, kGreen, 0.7f);  // behind: hidden
    DrawRect(*renderer_, 32, 0, 64, 32, kBlue, 0.3f);  // in front: shown
    renderer_->SetDepth(false, false);
    DrawRect(*renderer_, 32, 32, 64, 64, kWhite, 0.9f);  // no test at all
    renderer_->SetDepth(true, true);
    renderer_->EndFrame();
    ReadBack();
    EXPECT_TRUE(NearColour(At(16, 32), kRed));
    EXPECT_TRUE(NearColour(At(48, 16), kBlue));
    EXPECT_TRUE(NearColour(At(48, 48), kWhite));
}

TEST_F(GLDrawingTest, ClearWorksWhateverTheWriteMasks) {
    Begin2DFrame(*renderer_);
    DrawRect(*renderer_, 0, 0, 64, 64, kRed, 0.1f);
    renderer_->SetDepth(false, true);  // depth writes off
    ASSERT_TRUE(renderer_->Clear(kClearColour | kClearDepth));
    renderer_->SetDepth(true, true);
    DrawRect(*renderer_, 0, 0, 64, 64, kGreen, 0.9f);
    renderer_->EndFrame();
    ReadBack();
    EXPECT_TRUE(NearColour(At(32, 32), kGreen));
}

TEST_F(GLDrawingTest, WireframeDrawsOnlyOutlines) {
    Begin2DFrame(*renderer_);
    ASSERT_TRUE(renderer_->SetSolid(false));
    DrawRect(*renderer_, 8.5f, 8.5f, 55.5f, 55.5f, kRed);
    renderer_->SetSolid(true);
    renderer_->EndFrame();
    ReadBack();
    EXPECT_TRUE(NearColour(At(32, 32), kBackground));
    EXPECT_TRUE(NearColour(At(8, 32), kRed));
    EXPECT_TRUE(NearColour(At(32, 8), kRed));
    int red = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            red += NearColour(At(x, y), kRed) ? 1 : 0;
    EXPECT_GT(red, 150);
    EXPECT_LT(red, 250);  // an outline, not a filled square (2209 pixels)
}

TEST_F(GLDrawingTest, StencilMasksTheSecondPass) {
    Begin2DFrame(*renderer_);
    ASSERT_TRUE(renderer_->UsesStencil());
    renderer_->BeginStencilWrite();
    DrawRect(*renderer_, 16, 16, 48, 48, kRed, 0.2f);  // marks, draws no colour or depth
    renderer_->BeginStencilTest();
    DrawRect(*renderer_, 0, 0, 64, 64, kBlue, 0.5f);
    renderer_->EndStencil();
    renderer_->EndFrame();
    ReadBack();
    EXPECT_TRUE(NearColour(At(32, 32), kBlue));
    EXPECT_TRUE(NearColour(At(20, 20), kBlue));
    EXPECT_TRUE(NearColour(At(4, 4), kBackground));
    EXPECT_TRUE(NearColour(At(60, 32), kBackground));

    // Without stencil mirrors the passes are skipped: both rectangles draw.
    renderer_->SetUseStencil(false);
    Begin2DFrame(*renderer_);
    renderer_->BeginStencilWrite();
    DrawRect(*renderer_, 16, 16, 48, 48, kRed, 0.2f);
    renderer_->BeginStencilTest();
    DrawRect(*renderer_, 0, 0, 64, 64, kBlue, 0.1f);
    renderer_->EndStencil();
    renderer_->EndFrame();
    ReadBack();
    EXPECT_TRUE(NearColour(At(4, 4), kBlue));
}

// The same light-mapped quad with two texture units and with one (two passes).
TEST_F(GLDrawingTest, LightMapLooksTheSameWithAndWithoutMultitexture) {
    Handle<GLRenderer> single = MakeRenderer(kSize, kSize, GLRendererOptions{true});
    ASSERT_TRUE(single);
    ASSERT_TRUE(renderer_->Multitexture());
    ASSERT_EQ(single->TextureUnits(), 1);

    FacingQuad quad;
    auto draw = [&](GLRenderer& r, bool withLightMap, std::vector<uint8_t>& out) {
        render_state::ClearBoundTextures();
        Handle<Texture> base = MakeTexture(r, 4, 4, Quadrants);
        // Light map: full light on its left half, half light on its right half.
        Handle<Texture> lightMap = MakeTexture(r, 4, 4, [](uint32_t x, uint32_t) {
            return x < 2 ? kWhite : Rgba{128, 128, 128, 255};
        });
        Begin3DFrame(r);
        r.LoadLights(Directional({0, 0, 1}, 1.0f));
        ASSERT_EQ(r.BindTexture(0, base.Get()), RESULT_OK);
        ASSERT_EQ(r.BindTexture(1, withLightMap ? lightMap.Get() : nullptr), RESULT_OK);
        r.DrawIndexed(quad.vertices, 4, quad.indices, 2);
        ASSERT_EQ(r.BindTexture(1, nullptr), RESULT_OK);
        r.EndFrame();
        ReadBack(r, out);
    };
    std::vector<uint8_t> multi, twoPass, plain;
    draw(*renderer_, true, multi);
    draw(*single, true, twoPass);
    draw(*single, false, plain);

    int differing = 0, lightMapped = 0;
    for (std::size_t i = 0; i < multi.size(); i += 4) {
        for (int c = 0; c < 3; ++c) {
            if (std::abs(multi[i + c] - twoPass[i + c]) > 2) {
                ++differing;
                break;
            }
        }
        lightMapped += multi[i] != plain[i] || multi[i + 1] != plain[i + 1] ? 1 : 0;
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(lightMapped, 200);  // the light map does darken part of the quad

    // The light map's coordinates are transposed: its right half (u >= 0.5)
    // falls on the bottom of the quad.
    pixels_ = twoPass;
    pixelsWidth_ = kSize;
    EXPECT_TRUE(NearColour(At(kLeft, kTop), kRed));
    EXPECT_TRUE(NearColour(At(kRight, kTop), kGreen));
    EXPECT_TRUE(NearColour(At(kLeft, kBottom), {0, 0, 128, 0}));
    EXPECT_TRUE(NearColour(At(kRight, kBottom), {128, 128, 128, 0}));
}

TEST_F(GLDrawingTest, LightMapPassAlsoCoversScreenBatches) {
    Handle<GLRenderer> single = MakeRenderer(kSize, kSize, GLRendererOptions{true});
    ASSERT_TRUE(single);
    auto draw = [&](GLRenderer& r, std::vector<uint8_t>& out) {
        render_state::ClearBoundTextures();
        Handle<Texture> base = SolidTexture(r, {200, 100, 50, 255});
        // Eight texels across, so that the sampled columns hit texel centres.
        Handle<Texture> lightMap = MakeTexture(r, 8, 2, [](uint32_t x, uint32_t) {
            return x < 4 ? kWhite : Rgba{64, 64, 64, 255};
        });
        Begin2DFrame(r);
        ASSERT_EQ(r.BindTexture(0, base.Get()), RESULT_OK);
        ASSERT_EQ(r.BindTexture(1, lightMap.Get()), RESULT_OK);
        DrawRect(r, 0, 0, 64, 64, kWhite);
        ASSERT_EQ(r.BindTexture(1, nullptr), RESULT_OK);
        r.EndFrame();
        ReadBack(r, out);
    };
    std::vector<uint8_t> multi, twoPass;
    draw(*renderer_, multi);
    draw(*single, twoPass);
    pixels_ = twoPass;
    pixelsWidth_ = kSize;
    EXPECT_TRUE(NearColour(At(4, 32), {200, 100, 50, 0}));
    EXPECT_TRUE(NearColour(At(59, 32), {50, 25, 13, 0}));
    for (std::size_t i = 0; i < multi.size(); ++i)
        ASSERT_LE(std::abs(multi[i] - twoPass[i]), 2) << "byte " << i;
}

TEST_F(GLDrawingTest, TextLikeQuadBatch) {
    Handle<Texture> font = test::GlyphFont(*renderer_);
    const auto& text = test::kTextGlyphs;
    auto drawText = [&](float w, Vector4 colour) {
        test::DrawTextBatch(*renderer_, *font, w, colour);
        ReadBack();
    };
    drawText(1.0f, {1, 1, 1, 1});
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(NearColour(At(8 + i * 12, 26), test::GlyphColour(text[i]))) << "glyph " << i;
    EXPECT_TRUE(NearColour(At(8, 50), kBackground));
    ExpectMatchesReference("text_batch", 3, 8);
    const std::vector<uint8_t> plain = pixels_;

    // Coordinates are sent scaled by w with w as fourth coordinate: the
    // picture does not depend on w.
    drawText(2.5f, {1, 1, 1, 1});
    for (std::size_t i = 0; i < plain.size(); ++i)
        ASSERT_LE(std::abs(plain[i] - pixels_[i]), 1) << "byte " << i;

    // The vertex colour tints the glyphs.
    drawText(1.0f, {1, 1, 0, 1});
    EXPECT_TRUE(
        NearColour(At(8 + 12, 26), {test::GlyphColour(5)[0], test::GlyphColour(5)[1], 0, 0}));
}

TEST_F(GLDrawingTest, StripsAndArraysDraw) {
    Begin2DFrame(*renderer_);
    ScreenVertex* v = renderer_->FirstVertex();
    const float strip[4][2] = {{0, 0}, {0, 32}, {64, 0}, {64, 32}};
    for (int k = 0; k < 4; ++k) {
        v->position = {strip[k][0], strip[k][1], 0, 1};
        v->colours[0] = {0, 1, 0, 1};
        if (k < 3) v = renderer_->NextVertex();
    }
    renderer_->DrawVertexBatch(kPrimitiveStrip, 4, 1, 1);

    struct Source : ArraySource {
        float positions[8] = {0, 32, 0, 64, 64, 64, 64, 32};
        float colours[16] = {0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 1};
        uint16_t indices[4] = {0, 1, 2, 3};
        FloatArray Positions() const override { return {positions, 2, 2}; }
        FloatArray Colours() const override { return {colours, 4, 4}; }
        FloatArray TexCoords() const override { return {}; }
        FloatArray Normals() const override { return {}; }
        int32_t Faces() const override { return kFaceQuads; }
        uint32_t FaceCount() const override { return 1; }
        const uint16_t* Indices() const override { return indices; }
        uint32_t VertexCount() const override { return 4; }
    } source;
    renderer_->DrawArrays(source);
    renderer_->EndFrame();
    ReadBack();
    EXPECT_TRUE(NearColour(At(32, 16), kGreen));
    EXPECT_TRUE(NearColour(At(32, 48), kBlue));
}

TEST_F(GLDrawingTest, ScreenShotOfAn800By600TargetIsUpright) {
    test::ScratchFolder folder;
    Handle<GLRenderer> big = MakeRenderer(800, 600);
    ASSERT_TRUE(big);
    Begin2DFrame(*big);
    DrawRect(*big, 0, 0, 800, 300, kRed);
    DrawRect(*big, 0, 300, 800, 600, kBlue);
    DrawRect(*big, 0, 0, 10, 10, kGreen);  // marks the top-left corner
    ASSERT_EQ(big->ScreenShot(), RESULT_OK);
    big->EndFrame();

    Handle<Texture> shot(new Texture);
    ASSERT_EQ(LoadImage(shot.Get(), "Texture/Shot/Vimsa000.TGA", kImageTga), RESULT_OK);
    ASSERT_EQ(shot->Width(), 800u);
    ASSERT_EQ(shot->Height(), 600u);
    EXPECT_EQ(shot->Format(), kFormat0888);
    auto at = [&](uint32_t x, uint32_t y) {
        const Rgba8 c =
            DecodePixel(shot->Pixels() + (y * 800 + x) * 3, kFormat0888, shot->ChannelOrder());
        return Rgba{c.r, c.g, c.b, 255};
    };
    EXPECT_TRUE(NearColour(at(5, 5), kGreen));
    EXPECT_TRUE(NearColour(at(400, 100), kRed));
    EXPECT_TRUE(NearColour(at(400, 500), kBlue));
    EXPECT_TRUE(NearColour(at(795, 595), kBlue));
    ASSERT_EQ(big->ScreenShot(), RESULT_OK);  // the next number
    EXPECT_TRUE(std::filesystem::exists("Texture/Shot/Vimsa001.TGA"));
}

}  // namespace
}  // namespace vimsa
