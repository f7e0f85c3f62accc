#include "demo/font.h"

#include <new>

#include "render/image_file.h"
#include "render/renderer.h"
#include "render/texture.h"

namespace vimsa {

// --- glyph ---

GlyphQuad::GlyphQuad(uint32_t row, uint32_t column, uint32_t rows, uint32_t columns, uint32_t width,
                     uint32_t height) {
    const float w = static_cast<float>(width) / static_cast<float>(columns);
    const float h = static_cast<float>(height) / static_cast<float>(rows);
    const float u0 = static_cast<float>(column) / static_cast<float>(columns);
    const float u1 = static_cast<float>(column + 1) / static_cast<float>(columns);
    const float v0 = static_cast<float>(row) / static_cast<float>(rows);
    const float v1 = static_cast<float>(row + 1) / static_cast<float>(rows);
    // Counter-clockwise as seen on screen: the front side in the 2-D projection.
    corners_[0] = {{0, 0}, {u0, v0}};
    corners_[1] = {{0, h}, {u0, v1}};
    corners_[2] = {{w, h}, {u1, v1}};
    corners_[3] = {{w, 0}, {u1, v0}};
}

void GlyphQuad::SetColour(Vector4 colour) {
    for (Corner& c : corners_)
        c.colour = colour;
}

Result GlyphQuad::Draw(Renderer& renderer) const {
    const Result bound = renderer.BindTexture(0, texture_.Get());
    if (Failed(bound)) return bound;
    ScreenVertex* vertex = renderer.FirstVertex();
    for (int i = 0; i < 4; ++i) {
        if (!vertex) return ERR_FAIL;  // a pool smaller than one quad
        const Corner& c = corners_[i];
        vertex->position = {position_.x + c.position.x, position_.y + c.position.y, 0, 1};
        vertex->colours[0] = c.colour;
        vertex->texCoords[0] = c.texCoord;
        if (i < 3) vertex = renderer.NextVertex();
    }
    renderer.DrawVertexBatch(kPrimitivePolygon, 4, 1, 1);
    return RESULT_OK;
}

// --- font ---

Font::~Font() {
    Unload();
}

void Font::Unload() {
    glyphs_.clear();
    texture_ = nullptr;
    renderer_ = nullptr;
    rows_ = columns_ = 0;
    loaded_ = false;
}

Result Font::LoadGlyphs(Renderer* renderer, std::string_view file, uint32_t rows,
                        uint32_t columns) {
    if (!renderer) return ERR_FONT_NO_RENDERER;
    if (loaded_) Unload();
    texture_ = renderer->NewTexture();
    if (!texture_) return ERR_FONT_NO_TEXTURE;
    Result r = LoadImage(texture_.Get(), file, kImageByExtension);
    if (Succeeded(r)) r = renderer->UploadTexture(texture_.Get());
    if (Succeeded(r) && (rows == 0 || columns == 0)) r = ERR_OUT_OF_RANGE;
    if (Failed(r)) {
        Unload();
        return r;
    }
    const uint64_t count = uint64_t{rows} * columns;
    glyphs_.reserve(count);
    for (uint32_t i = 0; i < rows; ++i) {
        for (uint32_t j = 0; j < columns; ++j) {
            auto glyph = std::unique_ptr<GlyphQuad>(new (std::nothrow) GlyphQuad(
                i, j, rows, columns, texture_->Width(), texture_->Height()));
            if (!glyph) {
                Unload();
                return ERR_FAIL;
            }
            glyph->SetTexture(texture_.Get());
            glyphs_.push_back(std::move(glyph));
        }
    }
    renderer_ = renderer;
    rows_ = rows;
    columns_ = columns;
    loaded_ = true;
    return RESULT_OK;
}

const GlyphQuad* Font::Glyph(uint32_t index) const {
    return index < glyphs_.size() ? glyphs_[index].get() : nullptr;
}

Result Font::DrawGlyph(uint8_t c, Vector2 pen, Vector4 colour) {
    if (!loaded_ || !renderer_) return ERR_FONT_NOT_LOADED;
    const uint32_t index = c < 32 ? 0 : c - 32u;
    if (index >= glyphs_.size()) return ERR_FONT_BAD_CHARACTER;
    GlyphQuad& glyph = *glyphs_[index];
    glyph.SetColour(colour);
    glyph.SetPosition(pen);
    return glyph.Draw(*renderer_);
}

}  // namespace vimsa
