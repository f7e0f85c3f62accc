#pragma once

#include <string>
#include <string_view>

#include "core/ref_object.h"
#include "core/result.h"
#include "core/vector.h"
#include "demo/font.h"

namespace vimsa {

// A text laid out with a bitmap font from a screen position, glyph by glyph,
// line by line ("\n" starts a new line under the first).
class TextPoly : public RefObject {
public:
    TextPoly() = default;
    ~TextPoly() override = default;

    virtual Handle<Font> GetFont() const { return font_; }
    virtual const std::string& GetText() const { return text_; }
    virtual Vector2 GetPosition() const { return position_; }
    virtual Vector4 GetColour() const { return colour_; }
    virtual bool IsPrepared() const { return prepared_; }
    virtual void SetFont(Font* font);
    virtual void SetText(std::string_view text);
    virtual void SetPosition(Vector2 position);
    virtual void SetColour(Vector4 colour);
    virtual Result Prepare();
    // Draws every character that has a glyph; one that has none keeps its
    // place. No font: ERR_TEXT_NO_FONT; a font that is not loaded, or a glyph
    // the renderer cannot draw, stops with that code.
    virtual Result Draw();

private:
    Handle<Font> font_;
    std::string text_;
    Vector2 position_{0, 0};
    Vector4 colour_{1, 1, 1, 1};
    bool prepared_ = true;
};

}  // namespace vimsa
