#include "tests/render/draw_helpers.h"

#include <cstdlib>

namespace vimsa::test {

::testing::AssertionResult NearColour(const Rgba& got, const Rgba& want, int tolerance) {
    for (int i = 0; i < 3; ++i) {
        if (std::abs(got[i] - want[i]) > tolerance) {
            return ::testing::AssertionFailure()
                   << "got (" << got[0] << ", " << got[1] << ", " << got[2] << ") want (" << want[0]
                   << ", " << want[1] << ", " << want[2] << ")";
        }
    }
    return ::testing::AssertionSuccess();
}

Handle<Texture> MakeTexture(Renderer& renderer, uint32_t width, uint32_t height,
                            const std::function<Rgba(uint32_t, uint32_t)>& colour) {
    Handle<Texture> t = renderer.NewTexture();
    EXPECT_EQ(t->Create("test", width, height, kFormat8888), RESULT_OK);
    for (uint32_t y = 0; y < height; ++y) {
        for (uint32_t x = 0; x < width; ++x) {
            const Rgba c = colour(x, y);
            EncodePixel(t->Pixels() + (y * width + x) * 4, kFormat8888, t->ChannelOrder(),
                        Rgba8{uint8_t(c[0]), uint8_t(c[1]), uint8_t(c[2]), uint8_t(c[3])});
        }
    }
    EXPECT_EQ(renderer.UploadTexture(t.Get()), RESULT_OK);
    return t;
}

Handle<Texture> SolidTexture(Renderer& renderer, Rgba colour) {
    return MakeTexture(renderer, 2, 2, [colour](uint32_t, uint32_t) { return colour; });
}

void DrawRect(Renderer& renderer, float x0, float y0, float x1, float y1, Rgba colour, float z,
              float w) {
    const float corners[4][4] = {{x0, y0, 0, 0}, {x0, y1, 0, 1}, {x1, y1, 1, 1}, {x1, y0, 1, 0}};
    ScreenVertex* v = renderer.FirstVertex();
    for (int i = 0; i < 4 && v; ++i) {
        v->position = {corners[i][0], corners[i][1], z, w};
        v->texCoords[0] = {corners[i][2], corners[i][3]};
        v->colours[0] = {colour[0] / 255.0f, colour[1] / 255.0f, colour[2] / 255.0f,
                         colour[3] / 255.0f};
        if (i < 3) v = renderer.NextVertex();
    }
    renderer.DrawVertexBatch(kPrimitivePolygon, 4, 1, 1);
}

Rgba GlyphColour(uint32_t cell) {
    return {int(cell * 16), int(255 - cell * 16), int((cell * 97) % 256), 255};
}

Handle<Texture> GlyphFont(Renderer& renderer) {
    return MakeTexture(renderer, 32, 32,
                       [](uint32_t x, uint32_t y) { return GlyphColour((y / 8) * 4 + x / 8); });
}

void DrawTextBatch(Renderer& renderer, Texture& font, float w, Vector4 colour) {
    ASSERT_TRUE(renderer.BeginFrame());
    ASSERT_TRUE(renderer.Clear(kClearAll));
    ASSERT_TRUE(renderer.Begin2D());
    ASSERT_EQ(renderer.BindTexture(0, &font), RESULT_OK);
    for (int i = 0; i < 5; ++i) {
        const uint32_t glyph = kTextGlyphs[i];
        const float x0 = 2.0f + i * 12, y0 = 20, u0 = (glyph % 4) / 4.0f, v0 = (glyph / 4) / 4.0f;
        const float quad[4][4] = {{x0, y0, u0, v0},
                                  {x0, y0 + 12, u0, v0 + 0.25f},
                                  {x0 + 12, y0 + 12, u0 + 0.25f, v0 + 0.25f},
                                  {x0 + 12, y0, u0 + 0.25f, v0}};
        ScreenVertex* v = renderer.FirstVertex();
        for (int k = 0; k < 4; ++k) {
            v->position = {quad[k][0], quad[k][1], 0, w};
            v->texCoords[0] = {quad[k][2], quad[k][3]};
            v->colours[0] = colour;
            if (k < 3) v = renderer.NextVertex();
        }
        renderer.DrawVertexBatch(kPrimitiveFan, 4, 1, 1);
    }
    renderer.EndFrame();
}

Rgba PixelAt(const std::vector<uint8_t>& rgba, uint32_t width, int x, int y) {
    const std::size_t at = (static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x)) * 4;
    return {rgba[at], rgba[at + 1], rgba[at + 2], rgba[at + 3]};
}

FacingQuad::FacingQuad() {
    const float corners[4][2] = {{-5, -5}, {5, -5}, {5, 5}, {-5, 5}};
    const float uv[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (int i = 0; i < 4; ++i) {
        vertices[i].position = {corners[i][0], corners[i][1], 10};
        vertices[i].normal = {0, 0, -1};
        vertices[i].uv0 = {uv[i][0], uv[i][1]};
        vertices[i].uv1 = {uv[i][1], uv[i][0]};  // the light map lies transposed
    }
}

Rgba Quadrants(uint32_t x, uint32_t y) {
    if (y < 2) return x < 2 ? kRed : kGreen;
    return x < 2 ? kBlue : kWhite;
}

}  // namespace vimsa::test
