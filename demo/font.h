#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "core/ref_object.h"
#include "core/result.h"
#include "core/vector.h"

namespace vimsa {

class Renderer;
class Texture;

// One glyph of a bitmap font: a screen quad of the glyph's size whose
// texture coordinates cover its cell of the font picture, drawn with a
// colour at a pen position.
class GlyphQuad {
public:
    struct Corner {
        Vector2 position;  // from the quad's origin, in pixels
        Vector2 texCoord;
        Vector4 colour{1, 1, 1, 1};
    };

    // The quad of cell (row, column) of a picture width x height pixels cut
    // into rows x columns cells.
    GlyphQuad(uint32_t row, uint32_t column, uint32_t rows, uint32_t columns, uint32_t width,
              uint32_t height);

    void SetTexture(Texture* texture) { texture_ = texture; }
    void SetColour(Vector4 colour);
    void SetPosition(Vector2 position) { position_ = position; }
    // Sends the quad through the renderer's screen-vertex pool as one convex
    // polygon with the glyph texture on stage 0.
    Result Draw(Renderer& renderer) const;

    const Corner& CornerAt(int index) const { return corners_[index]; }
    Vector2 Position() const { return position_; }

private:
    Corner corners_[4];
    Handle<Texture> texture_;
    Vector2 position_;
};

// A bitmap font: one picture holding a grid of glyphs for the character
// codes from 32 (space) on, one glyph per cell, row by row.
class Font : public RefObject {
public:
    Font() = default;
    ~Font() override;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Loads the picture into a texture of the renderer, uploads it and cuts
    // it into rows x columns glyphs. Any failure leaves the font empty.
    Result LoadGlyphs(Renderer* renderer, std::string_view file, uint32_t rows, uint32_t columns);
    // Frees the glyphs and the texture: not loaded, no rows or columns.
    void Unload();
    // Draws the glyph of character code `c` at the pen position. Codes below
    // 32 take the first glyph; a code past the last glyph draws nothing.
    Result DrawGlyph(uint8_t c, Vector2 pen, Vector4 colour);

    bool IsLoaded() const { return loaded_; }
    Texture* GetTexture() const { return texture_.Get(); }
    uint32_t Rows() const { return rows_; }
    uint32_t Columns() const { return columns_; }
    const GlyphQuad* Glyph(uint32_t index) const;

private:
    bool loaded_ = false;
    Handle<Texture> texture_;
    Renderer* renderer_ = nullptr;  // the renderer the glyphs draw with; not counted
    uint32_t rows_ = 0;
    uint32_t columns_ = 0;
    std::vector<std::unique_ptr<GlyphQuad>> glyphs_;
};

}  // namespace vimsa
