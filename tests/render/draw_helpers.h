#pragma once

// Drawing helpers for tests of any back-end: textures made from a colour
// function, screen rectangles through the vertex pool, colour comparison.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/ref_object.h"
#include "render/renderer.h"
#include "render/texture.h"

namespace vimsa::test {

using Rgba = std::array<int, 4>;

// Fails when two colours differ by more than `tolerance` in a channel
// (alpha not compared).
::testing::AssertionResult NearColour(const Rgba& got, const Rgba& want, int tolerance = 2);

// A texture of the renderer, uploaded: width x height pixels of colour(x, y).
Handle<Texture> MakeTexture(Renderer& renderer, uint32_t width, uint32_t height,
                            const std::function<Rgba(uint32_t, uint32_t)>& colour);
// One-colour texture.
Handle<Texture> SolidTexture(Renderer& renderer, Rgba colour);

// A screen-space rectangle through the vertex pool, counter-clockwise as
// seen on screen (the front side in the 2-D projection).
void DrawRect(Renderer& renderer, float x0, float y0, float x1, float y1, Rgba colour,
              float z = 0.0f, float w = 1.0f);

// A 32 x 32 font picture of 4 x 4 glyph cells of 8 x 8 texels, each cell
// its own colour, and the colour of a cell.
Handle<Texture> GlyphFont(Renderer& renderer);
Rgba GlyphColour(uint32_t cell);
// The glyphs a text batch draws, left to right.
inline constexpr uint32_t kTextGlyphs[5] = {0, 5, 10, 15, 6};
// One 2-D frame of five 12 x 12 glyph quads of the font from (2, 20), as
// text is drawn: a fan per glyph, texture coordinates with w = `w`, the
// vertex colour `colour`.
void DrawTextBatch(Renderer& renderer, Texture& font, float w, Vector4 colour);

inline constexpr Rgba kRed{255, 0, 0, 255};
inline constexpr Rgba kGreen{0, 255, 0, 255};
inline constexpr Rgba kBlue{0, 0, 255, 255};
inline constexpr Rgba kWhite{255, 255, 255, 255};

// A square of side 10 at depth 10 facing the camera (which sits at the origin
// looking along +z). World +y points down the screen; the corners are listed
// so that the side facing the camera is the front side.
struct FacingQuad {
    MeshVertex vertices[4];
    uint16_t indices[6] = {0, 2, 1, 0, 3, 2};

    FacingQuad();
};

// Red, green, blue and white quadrants (top-left, top-right, bottom-left,
// bottom-right) of a 4 x 4 picture.
Rgba Quadrants(uint32_t x, uint32_t y);

// The pixel at (x, y), y counted from the top, of red, green, blue, alpha
// bytes `width` pixels wide.
Rgba PixelAt(const std::vector<uint8_t>& rgba, uint32_t width, int x, int y);

}  // namespace vimsa::test
