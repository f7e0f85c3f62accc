#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/result.h"

namespace vimsa {
class Texture;
}

namespace vimsa::tool {

// A colour with straight (not premultiplied) alpha, each channel in [0, 1].
struct Rgba {
    float r = 0, g = 0, b = 0, a = 1;
};

Rgba Mix(Rgba from, Rgba to, float t);
Rgba Scale(Rgba colour, float factor);  // alpha kept
// A colour from 0..255 channel values.
Rgba Rgb8(int r, int g, int b, int a = 255);

// A picture made in code, rows top to bottom, and the files the engine reads
// it from. Channels are rounded to bytes only when a file is written.
class Picture {
public:
    Picture(uint32_t width, uint32_t height);
    // From 8-bit RGBA bytes, rows top to bottom.
    static Picture FromRgba(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgba);
    // From a texture's pixels, whatever their format (empty without pixels).
    static Picture FromTexture(const Texture& texture);

    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    Rgba At(uint32_t x, uint32_t y) const { return pixels_[y * width_ + x]; }
    // Outside the picture the coordinates wrap, as a tiling texture does.
    Rgba Wrapped(int x, int y) const;
    void Set(uint32_t x, uint32_t y, Rgba colour) { pixels_[y * width_ + x] = colour; }

    // Sets every pixel from its centre in tile units (u, v in [0, 1)).
    void Fill(const std::function<Rgba(float u, float v)>& colour);
    // Shades the colours by the relief of `height` (in [0, 1] per pixel,
    // wrapping), lit from the top left; `depth` scales the slopes.
    void Emboss(const std::vector<float>& height, float depth);
    // A height field of the picture's size from a function of (u, v).
    std::vector<float> HeightField(const std::function<float(float u, float v)>& height) const;

    // The pixels as a texture in `format` ("0565", "0888", "8888", ...),
    // blue first, rows top to bottom, named and pathed as if read from `path`.
    Result ToTexture(Texture& texture, int32_t format, const std::string& path) const;
    // An uncompressed TGA of 16, 24 or 32 bits per pixel.
    Result SaveTga(const std::string& path, uint32_t bits) const;
    // A 24-bit BMP, bottom row first. The engine's reader keeps the file's row
    // order, so a texture read from it is upside down against a TGA.
    Result SaveBmp(const std::string& path) const;
    // The engine's pre-converted texture file (".FTGA" and its kin) in
    // `format`, written through the texture serializer.
    Result SaveChunkTexture(const std::string& path, int32_t format, uint32_t bits) const;

    // Copies `source` with its top left corner at (x, y), clipped, blending
    // by its alpha over what is there.
    void Paste(const Picture& source, uint32_t x, uint32_t y);
    // Nearest-neighbour copy at another size.
    Picture Resized(uint32_t width, uint32_t height) const;

private:
    uint32_t width_, height_;
    std::vector<Rgba> pixels_;
};

}  // namespace vimsa::tool
