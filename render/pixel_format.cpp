#include "render/pixel_format.h"

#include <cstring>
#include <utility>

namespace vimsa {
namespace {

uint16_t LoadWord(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

void StoreWord(uint8_t* p, uint32_t w) {
    p[0] = static_cast<uint8_t>(w);
    p[1] = static_cast<uint8_t>(w >> 8);
}

uint8_t Widen4(uint32_t v) {
    return static_cast<uint8_t>((v & 0xF) * 17);
}
uint8_t Widen5(uint32_t v) {
    return static_cast<uint8_t>((v & 0x1F) << 3);
}
uint8_t Widen6(uint32_t v) {
    return static_cast<uint8_t>((v & 0x3F) << 2);
}

// Decodes with blue in the low bits; the caller swaps red and blue for order 1.
Rgba8 DecodeBgr(const uint8_t* p, int32_t format) {
    Rgba8 c;
    switch (format) {
        case kFormat0555: {
            const uint32_t w = LoadWord(p);
            c.b = Widen5(w);
            c.g = Widen5(w >> 5);
            c.r = Widen5(w >> 10);
            break;
        }
        case kFormat0565: {
            const uint32_t w = LoadWord(p);
            c.b = Widen5(w);
            c.g = Widen6(w >> 5);
            c.r = Widen5(w >> 11);
            break;
        }
        case kFormat0888:
            c.b = p[0];
            c.g = p[1];
            c.r = p[2];
            break;
        case kFormat1555: {
            const uint32_t w = LoadWord(p);
            c.b = Widen5(w);
            c.g = Widen5(w >> 5);
            c.r = Widen5(w >> 10);
            c.a = (w & 0x8000) ? 255 : 0;
            break;
        }
        case kFormat4444: {
            const uint32_t w = LoadWord(p);
            c.b = Widen4(w);
            c.g = Widen4(w >> 4);
            c.r = Widen4(w >> 8);
            c.a = Widen4(w >> 12);
            break;
        }
        case kFormat8888:
            c.b = p[0];
            c.g = p[1];
            c.r = p[2];
            c.a = p[3];
            break;
        default:
            break;
    }
    return c;
}

void EncodeBgr(uint8_t* p, int32_t format, Rgba8 c) {
    switch (format) {
        case kFormat0555:
            StoreWord(p, (c.b >> 3) | ((c.g >> 3) << 5) | ((c.r >> 3) << 10));
            break;
        case kFormat0565:
            StoreWord(p, (c.b >> 3) | ((c.g >> 2) << 5) | ((c.r >> 3) << 11));
            break;
        case kFormat0888:
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
            break;
        case kFormat1555:
            StoreWord(p, (c.b >> 3) | ((c.g >> 3) << 5) | ((c.r >> 3) << 10) | ((c.a >> 7) << 15));
            break;
        case kFormat4444:
            StoreWord(p, (c.b >> 4) | ((c.g >> 4) << 4) | ((c.r >> 4) << 8) | ((c.a >> 4) << 12));
            break;
        case kFormat8888:
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
            p[3] = c.a;
            break;
        default:
            break;
    }
}

}  // namespace

uint32_t BytesPerPixel(int32_t format) {
    switch (format) {
        case kFormat0888:
            return 3;
        case kFormat8888:
            return 4;
        case kFormat0555:
        case kFormat0565:
        case kFormat1555:
        case kFormat4444:
            return 2;
        default:
            return 0;
    }
}

uint32_t BitsPerPixel(int32_t format) {
    return BytesPerPixel(format) * 8;
}

const char* FormatName(int32_t format) {
    static const char* const kNames[] = {"0000", "0555", "0565", "0888", "1555", "4444", "8888"};
    return IsValidFormat(format) ? kNames[format] : kNames[0];
}

int32_t FormatFromName(const char* name) {
    if (!name) return kFormat0000;
    for (int32_t f = kFormat0555; f <= kFormat8888; ++f) {
        if (std::strcmp(name, FormatName(f)) == 0) return f;
    }
    return kFormat0000;
}

Rgba8 DecodePixel(const uint8_t* pixel, int32_t format, int32_t order) {
    Rgba8 c = DecodeBgr(pixel, format);
    if (order == kOrderRgb) std::swap(c.r, c.b);
    return c;
}

void EncodePixel(uint8_t* pixel, int32_t format, int32_t order, Rgba8 colour) {
    if (order == kOrderRgb) std::swap(colour.r, colour.b);
    EncodeBgr(pixel, format, colour);
}

void ConvertPixels(const uint8_t* source, int32_t sourceFormat, int32_t sourceOrder,
                   uint8_t* destination, int32_t destinationFormat, int32_t destinationOrder,
                   uint64_t count) {
    const uint32_t inStep = BytesPerPixel(sourceFormat);
    const uint32_t outStep = BytesPerPixel(destinationFormat);
    if (inStep == 0 || outStep == 0) return;
    if (sourceFormat == destinationFormat && sourceOrder == destinationOrder) {
        std::memcpy(destination, source, count * inStep);
        return;
    }
    for (uint64_t i = 0; i < count; ++i) {
        EncodePixel(destination, destinationFormat, destinationOrder,
                    DecodePixel(source, sourceFormat, sourceOrder));
        source += inStep;
        destination += outStep;
    }
}

}  // namespace vimsa
