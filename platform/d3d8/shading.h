#pragma once

// The arithmetic every pixel of the device goes through: texel fetches and
// filters, stage operations, comparisons, stencil operations and blending.
// Colours travel as 0xAARRGGBB words with 8 bits per channel; products are
// rounded to the nearest representable value.

#include <algorithm>
#include <cmath>
#include <cstdint>

#if defined(__SSE__) || defined(_M_X64)
#include <xmmintrin.h>
#endif

#include "platform/d3d8/d3d8_types.h"
#include "platform/d3d8/texel_block.h"
#include "platform/d3d8/triangle_setup.h"

namespace vimsa::d3d8::shading {

inline uint32_t Channel(uint32_t argb, int shift) {
    return (argb >> shift) & 0xFFu;
}

inline uint32_t Pack(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
    return (a << 24) | (r << 16) | (g << 8) | b;
}

// x / 255 rounded, for 0 <= x <= 255 * 255.
inline uint32_t Div255(uint32_t x) {
    x += 128;
    return (x + (x >> 8)) >> 8;
}

// Each channel of a times the same channel of b, over 255.
inline uint32_t ModulateArgb(uint32_t a, uint32_t b) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= Div255(Channel(a, shift) * Channel(b, shift)) << shift;
    return out;
}

inline uint32_t AddArgb(uint32_t a, uint32_t b) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8)
        out |= std::min(Channel(a, shift) + Channel(b, shift), 255u) << shift;
    return out;
}

// a + b - 0.5 per channel, clamped.
inline uint32_t AddSignedArgb(uint32_t a, uint32_t b) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int v = int(Channel(a, shift)) + int(Channel(b, shift)) - 128;
        out |= uint32_t(std::clamp(v, 0, 255)) << shift;
    }
    return out;
}

inline uint32_t ApplyOp(D3DTEXTUREOP op, uint32_t arg1, uint32_t arg2) {
    switch (op) {
        case D3DTOP_SELECTARG1:
            return arg1;
        case D3DTOP_SELECTARG2:
            return arg2;
        case D3DTOP_MODULATE:
            return ModulateArgb(arg1, arg2);
        case D3DTOP_ADD:
            return AddArgb(arg1, arg2);
        case D3DTOP_ADDSIGNED:
            return AddSignedArgb(arg1, arg2);
        default:
            return arg2;
    }
}

// A float in 0..255 (clamped) to the nearest integer.
inline uint32_t ToByte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 255.0f) return 255;
    return static_cast<uint32_t>(v + 0.5f);
}

// A depth in 0..1 (clamped) as a 24-bit value.
inline uint32_t ToDepth24(float z) {
    if (!(z > 0.0f)) return 0;
    if (z >= 1.0f) return 0xFFFFFFu;
    return static_cast<uint32_t>(double(z) * 16777215.0 + 0.5);
}

// Index of a coordinate in 0..size-1, safe for any float.
inline int32_t ClampIndex(float f, int32_t size) {
    if (!(f >= 0.0f)) return 0;
    if (f >= float(size - 1)) return size - 1;
    return static_cast<int32_t>(f);
}

inline int32_t WrapIndex(int32_t i, int32_t size, bool powerOfTwo) {
    if (powerOfTwo) return i & (size - 1);
    const int32_t m = i % size;
    return m < 0 ? m + size : m;
}

// The fractional part of a wrapped coordinate, in [0, 1); 0 for values too
// large to have one that matters, and for NaN.
inline float Fraction(float f) {
    if (!(std::fabs(f) < 4194304.0f)) return 0.0f;
    const auto whole = static_cast<int32_t>(f);
    const float r = f - float(whole - (f < float(whole) ? 1 : 0));
    return r < 1.0f ? r : 0.0f;
}

// f limited to 0..1; NaN gives 0.
inline float Clamp01(float f) {
    return f > 0.0f ? (f < 1.0f ? f : 1.0f) : 0.0f;
}

inline uint32_t Texel(const TexelBlock& t, int32_t x, int32_t y) {
    return t.texels[std::size_t(y) * t.width + std::size_t(x)];
}

// Point sampling takes the texel a coordinate falls in. With kWrapPow2 the
// caller knows that both axes wrap and both sides are powers of two.
template <bool kWrapPow2 = false>
inline uint32_t SamplePoint(const TexelBlock& t, float u, float v, bool wrapU, bool wrapV) {
    const auto w = int32_t(t.width), h = int32_t(t.height);
    const float su = kWrapPow2 || wrapU ? Fraction(u) : Clamp01(u);
    const float sv = kWrapPow2 || wrapV ? Fraction(v) : Clamp01(v);
    return Texel(t, ClampIndex(su * float(w), w), ClampIndex(sv * float(h), h));
}

// Mixes two colours by weight/256 of the second (0 <= weight <= 256).
inline uint32_t Lerp256(uint32_t c0, uint32_t c1, uint32_t weight) {
    const uint32_t keep = 256 - weight;
    const uint32_t rb =
        (((c0 & 0x00FF00FFu) * keep + (c1 & 0x00FF00FFu) * weight + 0x00800080u) >> 8) &
        0x00FF00FFu;
    const uint32_t ag =
        ((((c0 >> 8) & 0x00FF00FFu) * keep + ((c1 >> 8) & 0x00FF00FFu) * weight + 0x00800080u) >>
         8) &
        0x00FF00FFu;
    return rb | (ag << 8);
}

// f rounded to the nearest integer (ties to even), for |f| < 2^31.
inline int32_t RoundToInt(float f) {
#if defined(__SSE__) || defined(_M_X64)
    return _mm_cvtss_si32(_mm_set_ss(f));
#else
    return static_cast<int32_t>(std::nearbyint(f));
#endif
}

// The two texel indices around a coordinate and the weight of the second:
// the coordinate in 1/256 texel, less half a texel, rounded, so that a
// texel's centre gives that texel alone. Wrapping works on the whole
// coordinate; coordinates too far out to keep a fraction read as 0.
template <bool kWrapPow2 = false>
inline void BilinearAxis(float f, int32_t size, bool wrap, bool powerOfTwo, int32_t& i0,
                         int32_t& i1, uint32_t& weight) {
    const bool wraps = kWrapPow2 || wrap;
    float scaled = (wraps ? f : Clamp01(f)) * float(size * 256);
    if (!(std::fabs(scaled) < 1073741824.0f)) scaled = 0.0f;  // and NaN
    const int32_t s = RoundToInt(scaled) - 128;
    weight = static_cast<uint32_t>(s) & 255u;
    i0 = s >> 8;
    i1 = i0 + 1;
    if (kWrapPow2) {
        i0 &= size - 1;
        i1 &= size - 1;
    } else if (wraps) {
        i0 = WrapIndex(i0, size, powerOfTwo);
        i1 = WrapIndex(i1, size, powerOfTwo);
    } else {
        i0 = std::clamp(i0, 0, size - 1);
        i1 = std::clamp(i1, 0, size - 1);
    }
}

template <bool kWrapPow2 = false>
inline uint32_t SampleBilinear(const TexelBlock& t, float u, float v, bool wrapU, bool wrapV) {
    int32_t x0, x1, y0, y1;
    uint32_t wx, wy;
    BilinearAxis<kWrapPow2>(u, int32_t(t.width), wrapU, t.powerOfTwo, x0, x1, wx);
    BilinearAxis<kWrapPow2>(v, int32_t(t.height), wrapV, t.powerOfTwo, y0, y1, wy);
    const uint32_t top = Lerp256(Texel(t, x0, y0), Texel(t, x1, y0), wx);
    const uint32_t bottom = Lerp256(Texel(t, x0, y1), Texel(t, x1, y1), wx);
    return Lerp256(top, bottom, wy);
}

inline bool Compare(D3DCMPFUNC func, uint32_t value, uint32_t reference) {
    switch (func) {
        case D3DCMP_NEVER:
            return false;
        case D3DCMP_LESS:
            return value < reference;
        case D3DCMP_EQUAL:
            return value == reference;
        case D3DCMP_LESSEQUAL:
            return value <= reference;
        case D3DCMP_GREATER:
            return value > reference;
        case D3DCMP_NOTEQUAL:
            return value != reference;
        case D3DCMP_GREATEREQUAL:
            return value >= reference;
        default:
            return true;
    }
}

inline uint32_t StencilOp(D3DSTENCILOP op, uint32_t value, uint32_t reference) {
    switch (op) {
        case D3DSTENCILOP_ZERO:
            return 0;
        case D3DSTENCILOP_REPLACE:
            return reference;
        case D3DSTENCILOP_INCRSAT:
            return value < 255 ? value + 1 : 255;
        case D3DSTENCILOP_DECRSAT:
            return value > 0 ? value - 1 : 0;
        case D3DSTENCILOP_INVERT:
            return ~value & 0xFFu;
        case D3DSTENCILOP_INCR:
            return (value + 1) & 0xFFu;
        case D3DSTENCILOP_DECR:
            return (value - 1) & 0xFFu;
        default:
            return value;
    }
}

// The factor of one channel for a blend mode.
inline uint32_t BlendFactor(D3DBLEND factor, uint32_t source, int shift) {
    switch (factor) {
        case D3DBLEND_ZERO:
            return 0;
        case D3DBLEND_SRCCOLOR:
            return Channel(source, shift);
        case D3DBLEND_INVSRCCOLOR:
            return 255 - Channel(source, shift);
        case D3DBLEND_SRCALPHA:
            return Channel(source, 24);
        case D3DBLEND_INVSRCALPHA:
            return 255 - Channel(source, 24);
        default:
            return 255;
    }
}

inline uint32_t Blend(D3DBLEND sourceFactor, D3DBLEND destinationFactor, uint32_t source,
                      uint32_t destination) {
    uint32_t out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const uint32_t s = Channel(source, shift) * BlendFactor(sourceFactor, source, shift);
        const uint32_t d =
            Channel(destination, shift) * BlendFactor(destinationFactor, source, shift);
        out |= std::min(Div255(s) + Div255(d), 255u) << shift;
    }
    return out;
}

// Attribute values at the start of a span; pixel i of the span has
// value[k] + dx[k] * i.
struct SpanStart {
    float value[kPlaneCount];

    SpanStart(const AttributePlanes& p, int32_t y, int32_t x0) {
        const float rows = float(y - p.originY), columns = float(x0 - p.originX);
        for (int i = 0; i < kPlaneCount; ++i)
            value[i] = p.value[i] + p.dy[i] * rows + p.dx[i] * columns;
    }
    float At(const AttributePlanes& p, int i, float step) const {
        return value[i] + p.dx[i] * step;
    }
};

// The vertex colour of a pixel whose w is `w`.
inline uint32_t Diffuse(const SpanStart& start, const AttributePlanes& p, float step, float w) {
    const float scale = p.flatColour ? 1.0f : w;
    return Pack(ToByte(start.At(p, kPlaneAlpha, step) * scale),
                ToByte(start.At(p, kPlaneRed, step) * scale),
                ToByte(start.At(p, kPlaneGreen, step) * scale),
                ToByte(start.At(p, kPlaneBlue, step) * scale));
}

}  // namespace vimsa::d3d8::shading
