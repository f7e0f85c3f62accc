#include "tools/assets/font_rasteriser.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <memory>

#include "platform/files/file_system.h"

namespace vimsa::tool {
namespace {

struct LibraryRelease {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceRelease {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using LibraryHandle = std::unique_ptr<FT_LibraryRec_, LibraryRelease>;
using FaceHandle = std::unique_ptr<FT_FaceRec_, FaceRelease>;

// Copies the rendered glyph into its cell: horizontally centred on its
// advance, its baseline `baseline` pixels below the cell's top.
void Place(const FT_GlyphSlot slot, uint32_t cellX, uint32_t cellY, uint32_t cell, int baseline,
           Picture& out) {
    const FT_Bitmap& bitmap = slot->bitmap;
    const int advance = static_cast<int>(slot->advance.x >> 6);
    const int left = (static_cast<int>(cell) - advance) / 2 + slot->bitmap_left;
    // A glyph reaching below the cell (the underscore) is lifted into it.
    const int top = std::min(baseline - slot->bitmap_top,
                             static_cast<int>(cell) - static_cast<int>(bitmap.rows));
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        for (unsigned column = 0; column < bitmap.width; ++column) {
            const int x = left + static_cast<int>(column), y = top + static_cast<int>(row);
            if (x < 0 || y < 0 || x >= static_cast<int>(cell) || y >= static_cast<int>(cell))
                continue;
            const uint8_t coverage =
                bitmap.buffer[row * static_cast<unsigned>(bitmap.pitch) + column];
            out.Set(cellX + static_cast<uint32_t>(x), cellY + static_cast<uint32_t>(y),
                    {1, 1, 1, static_cast<float>(coverage) / 255.0f});
        }
    }
}

}  // namespace

const char* FontRasteriser::DefaultFontPath() {
    return "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";
}

Result FontRasteriser::Grid(const std::string& fontPath, uint32_t cell, uint32_t rows,
                            uint32_t columns, uint32_t first, Picture& out) {
    if (!files::IsFile(fontPath)) return ERR_FILE_OPEN;
    FT_Library rawLibrary = nullptr;
    if (FT_Init_FreeType(&rawLibrary) != 0) return ERR_FAIL;
    const LibraryHandle library(rawLibrary);
    FT_Face rawFace = nullptr;
    if (FT_New_Face(library.get(), fontPath.c_str(), 0, &rawFace) != 0) return ERR_FAIL;
    const FaceHandle face(rawFace);
    // The font has no lower case: capitals and digits take most of the cell,
    // with room below the baseline for commas.
    if (FT_Set_Pixel_Sizes(face.get(), 0, cell) != 0) return ERR_FAIL;
    const int baseline = static_cast<int>(cell) * 13 / 16;

    out = Picture(columns * cell, rows * cell);
    out.Fill([](float, float) { return Rgba{1, 1, 1, 0}; });
    for (uint32_t k = 0; k < rows * columns; ++k) {
        if (FT_Load_Char(face.get(), first + k, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) != 0)
            return ERR_FAIL;
        Place(face->glyph, (k % columns) * cell, (k / columns) * cell, cell, baseline, out);
    }
    return RESULT_OK;
}

}  // namespace vimsa::tool
