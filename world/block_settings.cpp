#include "world/block_settings.h"

#include <algorithm>

#include "render/image_file.h"
#include "render/pixel_format.h"
#include "render/render_state.h"
#include "render/renderer.h"

namespace vimsa {
namespace {

// 1 / 16777215 as the engine has always rounded it.
constexpr float kColourScale = 5.960465e-8f;

// Loads one picture into a new texture of the renderer. An empty name or an
// unreadable file leaves `out` empty and is not an error.
Result LoadPicture(Renderer& renderer, const std::string& name, bool upload, Handle<Texture>& out) {
    out = nullptr;
    if (name.empty()) return RESULT_OK;
    Handle<Texture> texture = renderer.NewTexture();
    if (!texture) return ERR_FAIL;
    if (Failed(LoadImage(texture.Get(), name, kImageByExtension))) return RESULT_OK;
    if (upload) {
        const Result uploaded = renderer.UploadTexture(texture.Get());
        if (Failed(uploaded)) return uploaded;
    }
    out = texture;
    return RESULT_OK;
}

float Clamp01(float t) {
    if (!(t > 0.0f)) return 0.0f;  // also not-a-number
    return t > 1.0f ? 1.0f : t;
}

// Pixel (x, y) as a number in 0..1: red is the high byte, blue the low one.
float PixelValue(const Texture& texture, const uint8_t* pixels, uint32_t x, uint32_t y) {
    const uint64_t at = (uint64_t{y} * texture.Width() + x) * BytesPerPixel(texture.Format());
    const Rgba8 c = DecodePixel(pixels + at, texture.Format(), texture.ChannelOrder());
    const uint32_t value = uint32_t{c.r} << 16 | uint32_t{c.g} << 8 | c.b;
    return static_cast<float>(value) * kColourScale;
}

}  // namespace

Result LoadBlockTextures(BlockSettings& settings) {
    Renderer* renderer = CurrentRenderer();
    if (!renderer) return ERR_NO_RENDERER;
    if (settings.loaded) return RESULT_OK;
    settings.heightTexture = settings.colourTexture = settings.detailTexture = nullptr;
    Result r = LoadPicture(*renderer, settings.heightName, false, settings.heightTexture);
    if (Succeeded(r)) r = LoadPicture(*renderer, settings.colourName, true, settings.colourTexture);
    if (Succeeded(r)) r = LoadPicture(*renderer, settings.detailName, true, settings.detailTexture);
    if (Failed(r)) return r;
    settings.loaded = 1;
    return RESULT_OK;
}

float SampleHeight(const BlockSettings& settings, float u, float v) {
    const Texture* texture = settings.heightTexture.Get();
    const uint8_t* pixels = texture ? texture->Pixels() : nullptr;
    if (!pixels || texture->Width() == 0 || texture->Height() == 0 ||
        !IsValidFormat(texture->Format())) {
        return settings.altitude;
    }
    const uint32_t w = texture->Width(), h = texture->Height();
    const float x = static_cast<float>(w - 1) * Clamp01(u);
    const float y = static_cast<float>(h - 1) * Clamp01(v);
    // Rounding may carry x to w - 1 + a little: stay on the picture.
    const uint32_t x0 = std::min(static_cast<uint32_t>(x), w - 1);
    const uint32_t y0 = std::min(static_cast<uint32_t>(y), h - 1);
    const uint32_t x1 = x0 + 1 == w ? x0 : x0 + 1;
    const uint32_t y1 = y0 + 1 == h ? y0 : y0 + 1;
    const float fx = 1.0f - (x - static_cast<float>(x0));
    const float fy = 1.0f - (y - static_cast<float>(y0));
    const float s = fy * fx * PixelValue(*texture, pixels, x0, y0) +
                    fy * (1 - fx) * PixelValue(*texture, pixels, x1, y0) +
                    (1 - fy) * fx * PixelValue(*texture, pixels, x0, y1) +
                    (1 - fy) * (1 - fx) * PixelValue(*texture, pixels, x1, y1);
    return s * settings.height + settings.altitude;
}

}  // namespace vimsa
