#include "tools/assets/picture.h"

#include <algorithm>
#include <cmath>

#include "platform/files/file_system.h"
#include "render/image_file_access.h"
#include "render/pixel_format.h"
#include "render/texture.h"
#include "render/texture_serializer.h"
#include "render/tga_image.h"

namespace vimsa::tool {
namespace {

uint8_t Byte(float channel) {
    return static_cast<uint8_t>(std::lround(std::clamp(channel, 0.0f, 1.0f) * 255.0f));
}

void PutLe(std::vector<uint8_t>& out, size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

std::string NameOf(const std::string& path) {
    const size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

}  // namespace

Rgba Mix(Rgba from, Rgba to, float t) {
    return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t,
            from.b + (to.b - from.b) * t, from.a + (to.a - from.a) * t};
}

Rgba Scale(Rgba colour, float factor) {
    return {colour.r * factor, colour.g * factor, colour.b * factor, colour.a};
}

Rgba Rgb8(int r, int g, int b, int a) {
    return {static_cast<float>(r) / 255.0f, static_cast<float>(g) / 255.0f,
            static_cast<float>(b) / 255.0f, static_cast<float>(a) / 255.0f};
}

Picture::Picture(uint32_t width, uint32_t height)
    : width_(width), height_(height), pixels_(size_t{width} * height) {}

Picture Picture::FromRgba(uint32_t width, uint32_t height, const std::vector<uint8_t>& rgba) {
    Picture p(width, height);
    if (rgba.size() != size_t{width} * height * 4) return Picture(0, 0);
    for (size_t i = 0; i < p.pixels_.size(); ++i)
        p.pixels_[i] = Rgb8(rgba[4 * i], rgba[4 * i + 1], rgba[4 * i + 2], rgba[4 * i + 3]);
    return p;
}

Picture Picture::FromTexture(const Texture& texture) {
    if (!texture.Pixels()) return Picture(0, 0);
    const uint32_t w = texture.Width(), h = texture.Height();
    std::vector<uint8_t> rgba(size_t{w} * h * 4);
    ConvertPixels(texture.Pixels(), texture.Format(), texture.ChannelOrder(), rgba.data(),
                  kFormat8888, kOrderRgb, w * h);
    return FromRgba(w, h, rgba);
}

Rgba Picture::Wrapped(int x, int y) const {
    const int w = static_cast<int>(width_), h = static_cast<int>(height_);
    return At(static_cast<uint32_t>(((x % w) + w) % w), static_cast<uint32_t>(((y % h) + h) % h));
}

void Picture::Fill(const std::function<Rgba(float u, float v)>& colour) {
    for (uint32_t y = 0; y < height_; ++y) {
        for (uint32_t x = 0; x < width_; ++x) {
            const float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(width_);
            const float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(height_);
            Set(x, y, colour(u, v));
        }
    }
}

std::vector<float> Picture::HeightField(
    const std::function<float(float u, float v)>& height) const {
    std::vector<float> field(size_t{width_} * height_);
    for (uint32_t y = 0; y < height_; ++y) {
        for (uint32_t x = 0; x < width_; ++x) {
            const float u = (static_cast<float>(x) + 0.5f) / static_cast<float>(width_);
            const float v = (static_cast<float>(y) + 0.5f) / static_cast<float>(height_);
            field[size_t{y} * width_ + x] = height(u, v);
        }
    }
    return field;
}

void Picture::Emboss(const std::vector<float>& height, float depth) {
    if (height.size() != pixels_.size()) return;
    const int w = static_cast<int>(width_), h = static_cast<int>(height_);
    auto at = [&](int x, int y) {
        return height[static_cast<size_t>(((y % h) + h) % h) * width_ + ((x % w) + w) % w];
    };
    // Light from the top left and a little in front of the picture.
    const float lx = -0.5f, ly = -0.5f, lz = 0.7071f;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const float dx = (at(x + 1, y) - at(x - 1, y)) * depth;
            const float dy = (at(x, y + 1) - at(x, y - 1)) * depth;
            const float length = std::sqrt(dx * dx + dy * dy + 1.0f);
            const float lambert = (-dx * lx - dy * ly + lz) / length;
            // Flat ground keeps its colour; slopes towards the light brighten.
            const float shade = std::clamp(0.3f + lambert / lz * 0.7f, 0.25f, 1.6f);
            Rgba& p = pixels_[static_cast<size_t>(y) * width_ + x];
            p = Scale(p, shade);
        }
    }
}

Result Picture::ToTexture(Texture& texture, int32_t format, const std::string& path) const {
    Result r = texture.Create(NameOf(path), width_, height_, kFormat8888);
    if (Failed(r)) return r;
    texture.SetChannelOrder(kOrderBgr);
    uint8_t* out = texture.Pixels();
    for (const Rgba& p : pixels_) {
        *out++ = Byte(p.b);
        *out++ = Byte(p.g);
        *out++ = Byte(p.r);
        *out++ = Byte(p.a);
    }
    texture.SetPath(path);
    return format == kFormat8888 ? RESULT_OK : texture.Convert(format, kOrderKeep);
}

Result Picture::SaveTga(const std::string& path, uint32_t bits) const {
    Handle<Texture> texture(new Texture);
    Result r = ToTexture(*texture, kFormat8888, path);
    std::vector<uint8_t> file;
    if (Succeeded(r)) r = EncodeTga(*texture, bits, file);
    if (Succeeded(r)) r = image_files::WriteWholeFile(path, file.data(), file.size());
    return r;
}

Result Picture::SaveBmp(const std::string& path) const {
    constexpr uint32_t kHeader = 54;
    const uint32_t stride = (width_ * 3 + 3) & ~3u;
    std::vector<uint8_t> file(kHeader + size_t{stride} * height_, 0);
    file[0] = 'B';
    file[1] = 'M';
    PutLe(file, 2, static_cast<uint32_t>(file.size()), 4);
    PutLe(file, 10, kHeader, 4);
    PutLe(file, 14, 40, 4);  // the Windows 3 information header
    PutLe(file, 18, width_, 4);
    PutLe(file, 22, height_, 4);
    PutLe(file, 26, 1, 2);  // planes
    PutLe(file, 28, 24, 2);
    PutLe(file, 34, stride * height_, 4);
    PutLe(file, 38, 2835, 4);  // 72 dots per inch
    PutLe(file, 42, 2835, 4);
    for (uint32_t y = 0; y < height_; ++y) {
        uint8_t* row = file.data() + kHeader + size_t{height_ - 1 - y} * stride;
        for (uint32_t x = 0; x < width_; ++x) {
            const Rgba p = At(x, y);
            row[3 * x] = Byte(p.b);
            row[3 * x + 1] = Byte(p.g);
            row[3 * x + 2] = Byte(p.r);
        }
    }
    return image_files::WriteWholeFile(path, file.data(), file.size());
}

Result Picture::SaveChunkTexture(const std::string& path, int32_t format, uint32_t bits) const {
    Handle<Texture> texture(new Texture);
    const Result r = ToTexture(*texture, format, path);
    return Failed(r) ? r : SaveTexture(texture.Get(), path, bits);
}

void Picture::Paste(const Picture& source, uint32_t x, uint32_t y) {
    for (uint32_t sy = 0; sy < source.height_ && y + sy < height_; ++sy) {
        for (uint32_t sx = 0; sx < source.width_ && x + sx < width_; ++sx) {
            const Rgba s = source.At(sx, sy);
            Rgba under = At(x + sx, y + sy);
            Set(x + sx, y + sy, Mix(under, {s.r, s.g, s.b, 1.0f}, s.a));
        }
    }
}

Picture Picture::Resized(uint32_t width, uint32_t height) const {
    Picture out(width, height);
    // Each target pixel averages the source pixels its area covers (at
    // least the one under its centre).
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t y0 = y * height_ / height;
        const uint32_t y1 = std::max(y0 + 1, (y + 1) * height_ / height);
        for (uint32_t x = 0; x < width; ++x) {
            const uint32_t x0 = x * width_ / width;
            const uint32_t x1 = std::max(x0 + 1, (x + 1) * width_ / width);
            Rgba sum{0, 0, 0, 0};
            for (uint32_t sy = y0; sy < y1; ++sy) {
                for (uint32_t sx = x0; sx < x1; ++sx) {
                    const Rgba p = At(sx, sy);
                    sum = {sum.r + p.r, sum.g + p.g, sum.b + p.b, sum.a + p.a};
                }
            }
            out.Set(x, y, Scale(sum, 1.0f / static_cast<float>((y1 - y0) * (x1 - x0))));
            Rgba& p = out.pixels_[size_t{y} * width + x];
            p.a = sum.a / static_cast<float>((y1 - y0) * (x1 - x0));
        }
    }
    return out;
}

}  // namespace vimsa::tool
