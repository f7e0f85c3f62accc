#include "platform/d3d8/surface_format.h"

#include <cstring>

namespace vimsa::d3d8 {
namespace {

uint32_t Widen5(uint32_t v) {
    return (v << 3) | (v >> 2);
}
uint32_t Widen6(uint32_t v) {
    return (v << 2) | (v >> 4);
}
uint32_t Widen4(uint32_t v) {
    return v * 17;
}

uint32_t Load16(const uint8_t* p) {
    return uint32_t{p[0]} | (uint32_t{p[1]} << 8);
}
void Store16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

}  // namespace

uint32_t FormatBytes(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_R5G6B5:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_INDEX16:
            return 2;
        case D3DFMT_R8G8B8:
            return 3;
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
        case D3DFMT_D24S8:
            return 4;
        default:
            return 0;
    }
}

bool IsTextureFormat(D3DFORMAT format) {
    switch (format) {
        case D3DFMT_R5G6B5:
        case D3DFMT_R8G8B8:
        case D3DFMT_A1R5G5B5:
        case D3DFMT_A4R4G4B4:
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
            return true;
        default:
            return false;
    }
}

bool IsBackBufferFormat(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_R8G8B8 || format == D3DFMT_R5G6B5;
}

uint32_t DecodeArgb(const uint8_t* p, D3DFORMAT format) {
    switch (format) {
        case D3DFMT_R5G6B5: {
            const uint32_t v = Load16(p);
            return Argb(255, Widen5(v >> 11), Widen6((v >> 5) & 63), Widen5(v & 31));
        }
        case D3DFMT_A1R5G5B5: {
            const uint32_t v = Load16(p);
            return Argb(v & 0x8000 ? 255 : 0, Widen5((v >> 10) & 31), Widen5((v >> 5) & 31),
                        Widen5(v & 31));
        }
        case D3DFMT_A4R4G4B4: {
            const uint32_t v = Load16(p);
            return Argb(Widen4(v >> 12), Widen4((v >> 8) & 15), Widen4((v >> 4) & 15),
                        Widen4(v & 15));
        }
        case D3DFMT_R8G8B8:
            return Argb(255, p[2], p[1], p[0]);
        case D3DFMT_A8R8G8B8:
            return Argb(p[3], p[2], p[1], p[0]);
        case D3DFMT_X8R8G8B8:
            return Argb(255, p[2], p[1], p[0]);
        default:
            return 0;
    }
}

void EncodeArgb(uint8_t* p, D3DFORMAT format, uint32_t argb) {
    const uint32_t a = argb >> 24, r = (argb >> 16) & 255, g = (argb >> 8) & 255, b = argb & 255;
    switch (format) {
        case D3DFMT_R5G6B5:
            Store16(p, ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
            return;
        case D3DFMT_A1R5G5B5:
            Store16(p, ((a >> 7) << 15) | ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3));
            return;
        case D3DFMT_A4R4G4B4:
            Store16(p, ((a >> 4) << 12) | ((r >> 4) << 8) | ((g >> 4) << 4) | (b >> 4));
            return;
        case D3DFMT_R8G8B8:
            p[0] = static_cast<uint8_t>(b);
            p[1] = static_cast<uint8_t>(g);
            p[2] = static_cast<uint8_t>(r);
            return;
        case D3DFMT_A8R8G8B8:
        case D3DFMT_X8R8G8B8:
            std::memcpy(p, &argb, 4);  // the device is little-endian: blue first
            return;
        default:
            return;
    }
}

void ConvertRow(const uint8_t* source, D3DFORMAT sourceFormat, uint8_t* destination,
                D3DFORMAT destinationFormat, uint32_t count) {
    const uint32_t from = FormatBytes(sourceFormat), to = FormatBytes(destinationFormat);
    if (from == 0 || to == 0) return;
    if (sourceFormat == destinationFormat) {
        std::memcpy(destination, source, std::size_t{count} * from);
        return;
    }
    for (uint32_t i = 0; i < count; ++i)
        EncodeArgb(destination + i * to, destinationFormat,
                   DecodeArgb(source + i * from, sourceFormat));
}

}  // namespace vimsa::d3d8
