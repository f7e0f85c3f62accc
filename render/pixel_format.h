#pragma once

#include <cstdint>

namespace vimsa {

// Pixel formats of a texture, by number. The name spells the bits of alpha,
// red, green and blue. In channel order 0 blue sits in the low bits (or the
// first byte); channel order 1 exchanges red and blue.
enum PixelFormat : int32_t {
    kFormat0000 = 0,  // no pixels; accepted by no operation
    kFormat0555 = 1,
    kFormat0565 = 2,
    kFormat0888 = 3,
    kFormat1555 = 4,
    kFormat4444 = 5,
    kFormat8888 = 6,
};

// Channel orders. kOrderKeep asks a conversion to keep the current order.
inline constexpr int32_t kOrderBgr = 0;
inline constexpr int32_t kOrderRgb = 1;
inline constexpr int32_t kOrderKeep = 4;

constexpr bool IsValidFormat(int32_t format) {
    return format >= kFormat0555 && format <= kFormat8888;
}
constexpr bool IsValidOrder(int32_t order) {
    return order == kOrderBgr || order == kOrderRgb;
}

// Bytes per pixel of a valid format, 0 otherwise.
uint32_t BytesPerPixel(int32_t format);
// 16, 24 or 32 for a valid format, 0 otherwise.
uint32_t BitsPerPixel(int32_t format);
// "0565" and its siblings; "0000" for anything invalid.
const char* FormatName(int32_t format);
// The format number of a name such as "8888", or kFormat0000.
int32_t FormatFromName(const char* name);

// One pixel widened to 8 bits per channel. Narrow channels are widened by a
// left shift (5 and 6 bits) or by 17 (4 bits); formats without alpha give 255.
struct Rgba8 {
    uint8_t r = 0, g = 0, b = 0, a = 255;
};

Rgba8 DecodePixel(const uint8_t* pixel, int32_t format, int32_t order);
// Narrows each channel by dropping its low bits.
void EncodePixel(uint8_t* pixel, int32_t format, int32_t order, Rgba8 colour);

// Re-encodes `count` pixels. Source and destination must not overlap.
void ConvertPixels(const uint8_t* source, int32_t sourceFormat, int32_t sourceOrder,
                   uint8_t* destination, int32_t destinationFormat, int32_t destinationOrder,
                   uint64_t count);

}  // namespace vimsa
