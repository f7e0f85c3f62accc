#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/ref_object.h"
#include "core/result.h"
#include "render/pixel_format.h"

namespace vimsa {

// A picture in main memory in one of the six pixel formats and, once a
// renderer uploaded it, its copy on the device. Back-ends derive their own
// texture classes and fill the three device operations.
//
// Every texture is registered while it lives (see texture_registry.h) and
// its pixel bytes are counted in the process-wide texture memory counters.
class Texture : public RefObject {
public:
    Texture();
    ~Texture() override;
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // Empties both strings, zeroes the sizes and clears both flags.
    virtual void Reset();
    // Drops the pixels and the device copy, adjusting the counters, then Reset.
    virtual void Free();
    // The pixel buffer while the pixels are in memory, else null.
    virtual uint8_t* Pixels();
    virtual const std::string& Name() const { return name_; }
    virtual const std::string& Path() const { return path_; }
    // Writes the pixels as the next numbered screenshot file (screenshot.h).
    virtual Result SaveScreenShot();
    // Device operations of the back-end's class; the base has no device.
    virtual Result CreateOnDevice() { return RESULT_OK; }
    virtual Result DeleteOnDevice() { return RESULT_OK; }
    virtual Result ReloadOnDevice() { return RESULT_OK; }

    // Allocates width x height pixels of `format` (1..6). Previous pixels are
    // freed first.
    Result Create(std::string_view name, uint32_t width, uint32_t height, int32_t format);
    // Re-encodes the pixels into `format` and `order` (kOrderKeep keeps the
    // current order). A failed conversion keeps the previous pixels.
    Result Convert(int32_t format, int32_t order);

    uint32_t Width() const { return width_; }
    uint32_t Height() const { return height_; }
    uint32_t BitsPerPixel() const { return bitsPerPixel_; }
    int32_t Format() const { return format_; }
    uint32_t ByteSize() const { return byteSize_; }
    bool InMemory() const { return inMemory_; }
    bool Uploaded() const { return uploaded_; }
    int32_t ChannelOrder() const { return channelOrder_; }
    uint32_t DeviceHandle() const { return deviceHandle_; }
    const uint8_t* Pixels() const { return inMemory_ ? pixels_.get() : nullptr; }

    void SetName(std::string_view name) { name_ = name; }
    void SetPath(std::string_view path) { path_ = path; }
    // The order the pixels are in; only for code that fills the pixels itself.
    void SetChannelOrder(int32_t order) { channelOrder_ = order; }

    // For back-ends: records that the device holds (or no longer holds) a
    // copy and counts its bytes in the device memory counter.
    void MarkUploaded(bool uploaded);
    void SetDeviceHandle(uint32_t handle) { deviceHandle_ = handle; }

private:
    void ReleasePixels();

    std::string name_;
    std::string path_;
    uint32_t width_ = 0;
    uint32_t height_ = 0;
    uint32_t bitsPerPixel_ = 0;
    int32_t format_ = kFormat0000;
    uint32_t byteSize_ = 0;
    std::unique_ptr<uint8_t[]> pixels_;
    bool inMemory_ = false;
    bool uploaded_ = false;
    int32_t channelOrder_ = kOrderBgr;
    uint32_t deviceHandle_ = 0;
};

// Process-wide counters read by the heads-up display.
uint32_t TextureMemory();        // bytes of texture pixels in main memory
uint32_t DeviceTextureMemory();  // bytes uploaded to the device
uint32_t TextureCount();         // live textures

// The code of the most recent failing texture operation; each operation
// clears it when it starts.
Result LastTextureError();
void SetLastTextureError(Result code);

}  // namespace vimsa
