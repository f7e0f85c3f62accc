#include "tools/assets/contact_sheet.h"

#include <algorithm>
#include <cctype>

namespace vimsa::tool {
namespace {

constexpr uint32_t kGlyph = 16;          // glyph cells of the font picture
constexpr uint32_t kLabel = kGlyph + 4;  // the strip under each cell
constexpr uint32_t kGap = 4;

Rgba Checker(uint32_t x, uint32_t y) {
    return ((x / 8 + y / 8) % 2) ? Rgb8(150, 150, 150) : Rgb8(110, 110, 110);
}

}  // namespace

ContactSheet::ContactSheet(uint32_t columns, uint32_t cellWidth, uint32_t cellHeight, Picture font)
    : columns_(columns), cellWidth_(cellWidth), cellHeight_(cellHeight), font_(std::move(font)) {}

void ContactSheet::Add(const Picture& picture, const std::string& label) {
    cells_.emplace_back(picture, label);
}

void ContactSheet::Label(Picture& sheet, uint32_t x, uint32_t y, const std::string& text) const {
    if (font_.Width() < 8 * kGlyph || font_.Height() < 8 * kGlyph) return;
    for (char c : text) {
        const int code = std::toupper(static_cast<unsigned char>(c));
        if (x + kGlyph > sheet.Width()) break;
        // The font has codes 32 to 95 only.
        if (code >= 32 && code < 96) {
            const uint32_t k = static_cast<uint32_t>(code - 32);
            for (uint32_t gy = 0; gy < kGlyph; ++gy) {
                for (uint32_t gx = 0; gx < kGlyph; ++gx) {
                    const Rgba ink = font_.At((k % 8) * kGlyph + gx, (k / 8) * kGlyph + gy);
                    sheet.Set(x + gx, y + gy, Mix(sheet.At(x + gx, y + gy), {1, 1, 1, 1}, ink.a));
                }
            }
        }
        x += kGlyph - 5;  // the glyphs are narrower than their cells
    }
}

Picture ContactSheet::Compose() const {
    const auto count = static_cast<uint32_t>(cells_.size());
    const uint32_t rows = (count + columns_ - 1) / std::max(columns_, 1u);
    const uint32_t pitchX = cellWidth_ + kGap, pitchY = cellHeight_ + kLabel + kGap;
    Picture sheet(columns_ * pitchX + kGap, rows * pitchY + kGap);
    sheet.Fill([](float, float) { return Rgb8(40, 40, 44); });
    for (uint32_t i = 0; i < count; ++i) {
        const Picture& picture = cells_[i].first;
        const uint32_t x0 = kGap + (i % columns_) * pitchX, y0 = kGap + (i / columns_) * pitchY;
        for (uint32_t y = 0; y < cellHeight_; ++y) {
            for (uint32_t x = 0; x < cellWidth_; ++x)
                sheet.Set(x0 + x, y0 + y, Checker(x, y));
        }
        if (picture.Width() > 0 && picture.Height() > 0) {
            const float fit =
                std::min(static_cast<float>(cellWidth_) / static_cast<float>(picture.Width()),
                         static_cast<float>(cellHeight_) / static_cast<float>(picture.Height()));
            const auto w =
                std::max(1u, static_cast<uint32_t>(static_cast<float>(picture.Width()) * fit));
            const auto h =
                std::max(1u, static_cast<uint32_t>(static_cast<float>(picture.Height()) * fit));
            sheet.Paste(picture.Resized(w, h), x0 + (cellWidth_ - w) / 2,
                        y0 + (cellHeight_ - h) / 2);
        }
        Label(sheet, x0 + 2, y0 + cellHeight_ + 2, cells_[i].second);
    }
    return sheet;
}

}  // namespace vimsa::tool
