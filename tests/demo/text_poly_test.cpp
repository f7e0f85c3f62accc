// Heads-up text drawn through the OpenGL back-end: glyph cells, pen advance,
// line feeds and codes without a glyph.
#include <gtest/gtest.h>

#include "demo/font.h"
#include "demo/text_poly.h"
#include "render/render_state.h"
#include "tests/gl/gl_fixture.h"
#include "tests/render/image_builders.h"

namespace vimsa {
namespace {

using test::NearColour;
using test::Rgba;

// A 128 x 128 font picture of 8 x 8 cells of 16 pixels: the cells of 'A',
// 'B' and 'C' are solid red, green and blue, every other one transparent.
void WriteFontPicture(const std::string& path) {
    test::Bytes tga = test::TgaHeader(128, 128, 32, 0x28);
    for (uint32_t y = 0; y < 128; ++y) {
        for (uint32_t x = 0; x < 128; ++x) {
            const uint32_t glyph = (y / 16) * 8 + x / 16;
            const uint8_t on = 255;
            switch (glyph + 32) {
                case 'A':
                    test::Append(tga, {0, 0, on, on});
                    break;
                case 'B':
                    test::Append(tga, {0, on, 0, on});
                    break;
                case 'C':
                    test::Append(tga, {on, 0, 0, on});
                    break;
                default:
                    test::Append(tga, {0, 0, 0, 0});
            }
        }
    }
    test::WriteFile(path, tga);
}

class TextPolyTest : public test::GLFixture {
protected:
    void SetUp() override {
        GLFixture::SetUp();
        renderer_ = MakeRenderer(96, 64);
        ASSERT_TRUE(renderer_);
        ASSERT_EQ(renderer_->CreateVertexPool(256), RESULT_OK);
        white_ = SolidTexture(*renderer_, {255, 255, 255, 255});
        renderer_->SetDefaultTexture(white_.Get());
        WriteFontPicture(folder_.Path() / "fnt8.tga");
    }

    void DrawText(TextPoly& text) {
        ASSERT_TRUE(renderer_->BeginFrame());
        renderer_->Clear(kClearAll);
        renderer_->Begin2D();
        renderer_->SetDepth(false, false);
        EXPECT_EQ(text.Draw(), RESULT_OK);
        renderer_->EndFrame();
        ReadBack();
    }

    test::ScratchFolder folder_;
    Handle<Texture> white_;
};

TEST_F(TextPolyTest, GlyphsAdvanceAndLinesFeedByTheCellSize) {
    Handle<Font> font = MakeHandle<Font>();
    EXPECT_EQ(font->LoadGlyphs(nullptr, "fnt8.tga", 8, 8), ERR_FONT_NO_RENDERER);
    ASSERT_EQ(font->LoadGlyphs(renderer_.Get(), "FNT8.TGA", 8, 8), RESULT_OK);
    const GlyphQuad* a = font->Glyph('A' - 32);
    ASSERT_NE(a, nullptr);
    EXPECT_FLOAT_EQ(a->CornerAt(2).position.x, 16);
    EXPECT_FLOAT_EQ(a->CornerAt(2).position.y, 16);
    EXPECT_FLOAT_EQ(a->CornerAt(0).texCoord.x, 0.125f);  // row 4, column 1
    EXPECT_FLOAT_EQ(a->CornerAt(0).texCoord.y, 0.5f);

    Handle<TextPoly> text = MakeHandle<TextPoly>();
    EXPECT_EQ(text->Draw(), ERR_TEXT_NO_FONT);
    text->SetFont(font.Get());
    text->SetPosition({8, 8});
    EXPECT_FALSE(text->IsPrepared());
    // 'b' has no glyph but keeps its place; the closing line feed draws nothing.
    text->SetText("AbB\nC\n");
    DrawText(*text);
    const Rgba background{191, 191, 191, 0};
    EXPECT_TRUE(NearColour(At(16, 16), {255, 0, 0, 0}));  // A
    EXPECT_TRUE(NearColour(At(32, 16), background));      // b: a gap one cell wide
    EXPECT_TRUE(NearColour(At(48, 16), {0, 255, 0, 0}));  // B
    EXPECT_TRUE(NearColour(At(16, 32), {0, 0, 255, 0}));  // C, one line lower
    EXPECT_TRUE(NearColour(At(16, 48), background));
    EXPECT_TRUE(NearColour(At(4, 16), background));

    // The colour modulates every glyph; an empty text draws nothing.
    text->SetColour({1, 1, 1, 0.5f});
    text->SetText("A");
    DrawText(*text);
    EXPECT_TRUE(NearColour(At(16, 16), {223, 96, 96, 0}, 3));
    text->SetText("");
    DrawText(*text);
    EXPECT_TRUE(NearColour(At(16, 16), background));

    EXPECT_EQ(font->DrawGlyph('z', {0, 0}, {1, 1, 1, 1}), ERR_FONT_BAD_CHARACTER);
    font->Unload();
    EXPECT_EQ(font->DrawGlyph('A', {0, 0}, {1, 1, 1, 1}), ERR_FONT_NOT_LOADED);
    EXPECT_EQ(text->Draw(), ERR_FONT_NOT_LOADED);
    EXPECT_EQ(font->LoadGlyphs(renderer_.Get(), "missing.tga", 8, 8), ERR_TEXTURE_NO_READER);
    EXPECT_FALSE(font->IsLoaded());
}

}  // namespace
}  // namespace vimsa
