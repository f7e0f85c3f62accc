#pragma once

#include <cstdint>
#include <string>

#include "core/result.h"
#include "tools/assets/picture.h"

namespace vimsa::tool {

// The heads-up font's picture: a grid of glyphs rasterised with FreeType
// from a TrueType font, white, with the glyph's coverage as alpha.
class FontRasteriser {
public:
    // DejaVu Sans Mono Bold from Debian's fonts-dejavu-core.
    static const char* DefaultFontPath();

    // Glyphs for the codes from `first` on, row by row, `rows` x `columns`
    // cells of `cell` x `cell` pixels, each centred on its advance with a
    // common baseline. ERR_FILE_OPEN when the font cannot be read, ERR_FAIL
    // when FreeType refuses it.
    static Result Grid(const std::string& fontPath, uint32_t cell, uint32_t rows, uint32_t columns,
                       uint32_t first, Picture& out);
};

}  // namespace vimsa::tool
