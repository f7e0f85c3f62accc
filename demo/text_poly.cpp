#include "demo/text_poly.h"

#include "render/texture.h"

namespace vimsa {

void TextPoly::SetFont(Font* font) {
    font_ = font;
    prepared_ = false;
}

void TextPoly::SetText(std::string_view text) {
    text_ = text;
    prepared_ = false;
}

void TextPoly::SetPosition(Vector2 position) {
    position_ = position;
    prepared_ = false;
}

void TextPoly::SetColour(Vector4 colour) {
    colour_ = colour;
    prepared_ = false;
}

Result TextPoly::Prepare() {
    prepared_ = true;
    return RESULT_OK;
}

Result TextPoly::Draw() {
    if (!font_) return ERR_TEXT_NO_FONT;
    if (!font_->IsLoaded()) return ERR_FONT_NOT_LOADED;
    const Texture* picture = font_->GetTexture();
    const uint32_t columns = font_->Columns(), rows = font_->Rows();
    const float advance =
        picture && columns ? static_cast<float>(picture->Width() / columns) : 0.0f;
    const float lineHeight = picture && rows ? static_cast<float>(picture->Height() / rows) : 0.0f;
    Vector2 pen = position_;
    for (const char c : text_) {
        if (c == '\n') {
            pen.x = position_.x;
            pen.y += lineHeight;
            continue;
        }
        // A character without a glyph is left out, but keeps its place.
        const Result drawn = font_->DrawGlyph(static_cast<uint8_t>(c), pen, colour_);
        if (Failed(drawn) && drawn != ERR_FONT_BAD_CHARACTER) return drawn;
        pen.x += advance;
    }
    return RESULT_OK;
}

}  // namespace vimsa
