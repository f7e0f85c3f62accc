#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assets/picture.h"

namespace vimsa::tool {

// Pictures laid out in a grid of equal cells, each fitted to its cell with its
// proportions kept, over a checkerboard where it is transparent, and named
// underneath in the heads-up font.
class ContactSheet {
public:
    // `font` is the heads-up font's picture: 8 x 8 glyphs from the space on.
    ContactSheet(uint32_t columns, uint32_t cellWidth, uint32_t cellHeight, Picture font);

    void Add(const Picture& picture, const std::string& label);
    Picture Compose() const;

private:
    void Label(Picture& sheet, uint32_t x, uint32_t y, const std::string& text) const;

    uint32_t columns_, cellWidth_, cellHeight_;
    Picture font_;
    std::vector<std::pair<Picture, std::string>> cells_;
};

}  // namespace vimsa::tool
