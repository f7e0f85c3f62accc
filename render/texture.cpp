#include "render/texture.h"

#include <limits>
#include <new>

#include "render/render_state.h"
#include "render/screenshot.h"
#include "render/texture_registry.h"

namespace vimsa {
namespace {

uint32_t g_textureMemory = 0;
uint32_t g_deviceTextureMemory = 0;
Result g_lastTextureError = RESULT_OK;

// Fails the operation: records the code as the last texture error.
Result Fail(Result code) {
    g_lastTextureError = code;
    return code;
}

std::unique_ptr<uint8_t[]> AllocatePixels(uint64_t size) {
    if (size > std::numeric_limits<uint32_t>::max()) return nullptr;
    // At least one byte, so that an empty picture still owns a buffer.
    return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[size ? size : 1]);
}

}  // namespace

Texture::Texture() {
    texture_registry::Add(this);
}

Texture::~Texture() {
    texture_registry::Remove(this);
    render_state::ForgetTexture(this);
    ReleasePixels();
    MarkUploaded(false);
}

void Texture::Reset() {
    name_.clear();
    path_.clear();
    width_ = height_ = 0;
    bitsPerPixel_ = 0;
    format_ = kFormat0000;
    byteSize_ = 0;
    inMemory_ = false;
    uploaded_ = false;
}

void Texture::Free() {
    if (uploaded_) {
        (void)DeleteOnDevice();  // a copy that cannot be reached is gone with its device
        MarkUploaded(false);
    }
    ReleasePixels();
    Reset();
}

void Texture::ReleasePixels() {
    if (inMemory_) g_textureMemory -= byteSize_;
    inMemory_ = false;
    pixels_.reset();
}

uint8_t* Texture::Pixels() {
    return inMemory_ ? pixels_.get() : nullptr;
}

Result Texture::SaveScreenShot() {
    g_lastTextureError = RESULT_OK;
    const Result r = SaveNextScreenShot(*this);
    if (Failed(r)) g_lastTextureError = r;
    return r;
}

void Texture::MarkUploaded(bool uploaded) {
    if (uploaded == uploaded_) return;
    if (uploaded)
        g_deviceTextureMemory += byteSize_;
    else
        g_deviceTextureMemory -= byteSize_;
    uploaded_ = uploaded;
}

Result Texture::Create(std::string_view name, uint32_t width, uint32_t height, int32_t format) {
    g_lastTextureError = RESULT_OK;
    if (!IsValidFormat(format)) return Fail(ERR_TEXTURE_FORMAT);
    ReleasePixels();
    // A device copy stays until the texture is reloaded; its bytes are
    // counted at the texture's current size.
    if (uploaded_) g_deviceTextureMemory -= byteSize_;
    const uint64_t size = uint64_t{width} * height * BytesPerPixel(format);
    name_ = name;
    width_ = width;
    height_ = height;
    format_ = format;
    bitsPerPixel_ = vimsa::BitsPerPixel(format);
    byteSize_ = 0;
    pixels_ = AllocatePixels(size);
    if (pixels_) {
        byteSize_ = static_cast<uint32_t>(size);
        inMemory_ = true;
        g_textureMemory += byteSize_;
    }
    if (uploaded_) g_deviceTextureMemory += byteSize_;
    return pixels_ ? RESULT_OK : Fail(ERR_FAIL);
}

Result Texture::Convert(int32_t format, int32_t order) {
    g_lastTextureError = RESULT_OK;
    if (!inMemory_) return Fail(ERR_TEXTURE_NO_PIXELS);
    if (order == kOrderKeep) order = channelOrder_;
    if (!IsValidFormat(format) || !IsValidOrder(order)) return Fail(ERR_TEXTURE_FORMAT);
    if (format == format_ && order == channelOrder_) return RESULT_OK;

    const uint64_t count = uint64_t{width_} * height_;
    const uint64_t size = count * BytesPerPixel(format);
    std::unique_ptr<uint8_t[]> converted = AllocatePixels(size);
    if (!converted) return Fail(ERR_FAIL);
    ConvertPixels(pixels_.get(), format_, channelOrder_, converted.get(), format, order, count);

    g_textureMemory -= byteSize_;
    if (uploaded_) g_deviceTextureMemory -= byteSize_;
    pixels_ = std::move(converted);
    format_ = format;
    channelOrder_ = order;
    bitsPerPixel_ = vimsa::BitsPerPixel(format);
    byteSize_ = static_cast<uint32_t>(size);
    g_textureMemory += byteSize_;
    if (uploaded_) g_deviceTextureMemory += byteSize_;
    return RESULT_OK;
}

uint32_t TextureMemory() {
    return g_textureMemory;
}

uint32_t DeviceTextureMemory() {
    return g_deviceTextureMemory;
}

uint32_t TextureCount() {
    return texture_registry::Count();
}

Result LastTextureError() {
    return g_lastTextureError;
}

void SetLastTextureError(Result code) {
    g_lastTextureError = code;
}

}  // namespace vimsa
