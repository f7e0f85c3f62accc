#include "platform/d3d8/fast_spans.h"

#include <array>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "platform/d3d8/shading.h"

namespace vimsa::d3d8 {
namespace {

using namespace shading;

enum DepthMode { kDepthOff, kDepthTestWrite, kDepthTestOnly, kDepthModes };
enum BlendMode { kBlendOff, kBlendAlpha, kBlendMultiply, kBlendModes };

template <bool kBilinear>
uint32_t Sample(const TexelBlock& t, float u, float v) {
    return kBilinear ? SampleBilinear<true>(t, u, v, true, true)
                     : SamplePoint<true>(t, u, v, true, true);
}

template <BlendMode kBlend>
uint32_t Blended(uint32_t colour, const uint8_t* pixel) {
    if constexpr (kBlend == kBlendOff) {
        return colour;
    } else {
        // An opaque source replaces the pixel whatever it holds.
        if (kBlend == kBlendAlpha && (colour >> 24) == 255) return colour;
        uint32_t destination = 0;
        std::memcpy(&destination, pixel, 4);
        destination |= 0xFF000000u;  // X8R8G8B8 reads as opaque
        return kBlend == kBlendAlpha
                   ? Blend(D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, colour, destination)
                   : Blend(D3DBLEND_ZERO, D3DBLEND_SRCCOLOR, colour, destination);
    }
}

// Stage 0 takes the texture times the vertex colour (or the texture alone
// with kSelect); stage 1 multiplies the colour by its texture and keeps the
// alpha. One pixel at a time.
template <int kStages, bool kSelect, bool kBilinear, DepthMode kDepth, BlendMode kBlend>
void FastPixel(const PixelState& s, const AttributePlanes& p, const SpanStart& start,
               uint8_t* colourRow, uint32_t* depthRow, int32_t x, float step) {
    uint32_t depth = 0;
    if constexpr (kDepth != kDepthOff) {
        depth = ToDepth24(start.At(p, kPlaneDepth, step));
        if (depth > (depthRow[x] >> 8)) return;
    }
    const float w = 1.0f / start.At(p, kPlaneRhw, step);
    uint32_t colour = Sample<kBilinear>(*s.stages[0].texels, start.At(p, kPlaneU0, step) * w,
                                        start.At(p, kPlaneV0, step) * w);
    if constexpr (!kSelect) colour = ModulateArgb(colour, Diffuse(start, p, step, w));
    if constexpr (kStages == 2) {
        const uint32_t light = Sample<kBilinear>(
            *s.stages[1].texels, start.At(p, kPlaneU1, step) * w, start.At(p, kPlaneV1, step) * w);
        colour = (ModulateArgb(light, colour) & 0x00FFFFFFu) | (colour & 0xFF000000u);
    }
    if constexpr (kDepth == kDepthTestWrite) depthRow[x] = (depth << 8) | (depthRow[x] & 0xFFu);
    uint8_t* pixel = colourRow + std::size_t(x) * 4;
    const uint32_t out = Blended<kBlend>(colour, pixel);
    std::memcpy(pixel, &out, 4);
}

#if defined(__SSE2__)

// Four pixels at once. Every step is the one-pixel step's arithmetic on
// four lanes, so that both give the same pixels.
struct Lanes {
    __m128i lo, hi;  // pixels 0-1 and 2-3 as eight 16-bit channels each (b, g, r, a)
};

inline Lanes Widen(__m128i argb) {
    const __m128i zero = _mm_setzero_si128();
    return {_mm_unpacklo_epi8(argb, zero), _mm_unpackhi_epi8(argb, zero)};
}

inline __m128i Narrow(const Lanes& l) {
    return _mm_packus_epi16(l.lo, l.hi);
}

// Each pixel's 32-bit value spread over its four 16-bit channels.
inline Lanes Spread(__m128i perPixel) {
    const __m128i w16 = _mm_packs_epi32(perPixel, perPixel);
    const __m128i pairs = _mm_unpacklo_epi16(w16, w16);
    return {_mm_unpacklo_epi32(pairs, pairs), _mm_unpackhi_epi32(pairs, pairs)};
}

// (c0 (256 - w) + c1 w + 128) >> 8 per channel: Lerp256.
inline __m128i Lerp16(__m128i c0, __m128i c1, __m128i w) {
    const __m128i keep = _mm_sub_epi16(_mm_set1_epi16(256), w);
    const __m128i sum = _mm_add_epi16(
        _mm_add_epi16(_mm_mullo_epi16(c0, keep), _mm_mullo_epi16(c1, w)), _mm_set1_epi16(128));
    return _mm_srli_epi16(sum, 8);
}

inline Lanes Lerp(const Lanes& a, const Lanes& b, const Lanes& w) {
    return {Lerp16(a.lo, b.lo, w.lo), Lerp16(a.hi, b.hi, w.hi)};
}

// a b / 255 rounded per channel: Div255 of the product.
inline __m128i Product16(__m128i a, __m128i b) {
    const __m128i x = _mm_add_epi16(_mm_mullo_epi16(a, b), _mm_set1_epi16(128));
    return _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);
}

inline Lanes Product(const Lanes& a, const Lanes& b) {
    return {Product16(a.lo, b.lo), Product16(a.hi, b.hi)};
}

inline __m128 Plane(const SpanStart& start, const AttributePlanes& p, int k, __m128 steps) {
    return _mm_add_ps(_mm_set1_ps(start.value[k]), _mm_mul_ps(_mm_set1_ps(p.dx[k]), steps));
}

// ToDepth24 of four depths.
inline __m128i Depth24(__m128 z) {
    const __m128d scale = _mm_set1_pd(16777215.0), half = _mm_set1_pd(0.5);
    const __m128i low = _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(_mm_cvtps_pd(z), scale), half));
    const __m128i high =
        _mm_cvttpd_epi32(_mm_add_pd(_mm_mul_pd(_mm_cvtps_pd(_mm_movehl_ps(z, z)), scale), half));
    const __m128i inside = _mm_unpacklo_epi64(low, high);
    const __m128i positive = _mm_castps_si128(_mm_cmpgt_ps(z, _mm_setzero_ps()));
    const __m128i full = _mm_castps_si128(_mm_cmpge_ps(z, _mm_set1_ps(1.0f)));
    const __m128i value = _mm_and_si128(inside, positive);
    return _mm_or_si128(_mm_andnot_si128(full, value),
                        _mm_and_si128(full, _mm_set1_epi32(0xFFFFFF)));
}

// BilinearAxis<true> of four coordinates: first texels and weights.
inline void Axis(__m128 f, int32_t size, __m128i& i0, __m128i& i1, __m128i& weight) {
    __m128 scaled = _mm_mul_ps(f, _mm_set1_ps(float(size * 256)));
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), scaled);
    scaled = _mm_and_ps(scaled, _mm_cmplt_ps(magnitude, _mm_set1_ps(1073741824.0f)));
    const __m128i s = _mm_sub_epi32(_mm_cvtps_epi32(scaled), _mm_set1_epi32(128));
    const __m128i mask = _mm_set1_epi32(size - 1);
    weight = _mm_and_si128(s, _mm_set1_epi32(255));
    i0 = _mm_srai_epi32(s, 8);
    i1 = _mm_and_si128(_mm_add_epi32(i0, _mm_set1_epi32(1)), mask);
    i0 = _mm_and_si128(i0, mask);
}

// Two texels side by side: x and the next, which wraps to the row's start
// after the last column.
inline __m128i Pair(const uint32_t* row, int32_t x, int32_t last) {
    if (x < last) return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + x));
    return _mm_unpacklo_epi32(_mm_cvtsi32_si128(int32_t(row[x])),
                              _mm_cvtsi32_si128(int32_t(row[0])));
}

// The texels left and right of each pixel's coordinate, in two rows.
inline void Pairs(const TexelBlock& t, __m128i row, __m128i x, __m128i& left, __m128i& right) {
    alignas(16) int32_t rows[4], columns[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(rows), row);
    _mm_store_si128(reinterpret_cast<__m128i*>(columns), x);
    const int32_t last = int32_t(t.width) - 1;
    const uint32_t* texels = t.texels.get();
    const __m128i p0 = Pair(texels + rows[0], columns[0], last);
    const __m128i p1 = Pair(texels + rows[1], columns[1], last);
    const __m128i p2 = Pair(texels + rows[2], columns[2], last);
    const __m128i p3 = Pair(texels + rows[3], columns[3], last);
    // p = (left, right) per pixel: gather the lefts and the rights.
    const __m128i p01 = _mm_unpacklo_epi64(p0, p1), p23 = _mm_unpacklo_epi64(p2, p3);
    left = _mm_castps_si128(
        _mm_shuffle_ps(_mm_castsi128_ps(p01), _mm_castsi128_ps(p23), _MM_SHUFFLE(2, 0, 2, 0)));
    right = _mm_castps_si128(
        _mm_shuffle_ps(_mm_castsi128_ps(p01), _mm_castsi128_ps(p23), _MM_SHUFFLE(3, 1, 3, 1)));
}

// SampleBilinear<true> of four coordinates, in 16-bit channels.
inline Lanes Bilinear(const TexelBlock& t, __m128 u, __m128 v) {
    __m128i x0, x1, wx, y0, y1, wy;
    Axis(u, int32_t(t.width), x0, x1, wx);
    Axis(v, int32_t(t.height), y0, y1, wy);
    __m128i a, b, c, d;
    Pairs(t, _mm_slli_epi32(y0, t.widthShift), x0, a, b);
    Pairs(t, _mm_slli_epi32(y1, t.widthShift), x0, c, d);
    const Lanes weightX = Spread(wx);
    return Lerp(Lerp(Widen(a), Widen(b), weightX), Lerp(Widen(c), Widen(d), weightX), Spread(wy));
}

// ToByte of four values.
inline __m128i Bytes(__m128 v) {
    const __m128 limited = _mm_min_ps(_mm_max_ps(v, _mm_setzero_ps()), _mm_set1_ps(255.0f));
    return _mm_cvttps_epi32(_mm_add_ps(limited, _mm_set1_ps(0.5f)));
}

inline Lanes DiffuseLanes(const SpanStart& start, const AttributePlanes& p, __m128 steps,
                          __m128 w) {
    const __m128 scale = p.flatColour ? _mm_set1_ps(1.0f) : w;
    const auto channel = [&](int k) { return Bytes(_mm_mul_ps(Plane(start, p, k, steps), scale)); };
    const __m128i argb =
        _mm_or_si128(_mm_or_si128(_mm_slli_epi32(channel(kPlaneAlpha), 24),
                                  _mm_slli_epi32(channel(kPlaneRed), 16)),
                     _mm_or_si128(_mm_slli_epi32(channel(kPlaneGreen), 8), channel(kPlaneBlue)));
    return Widen(argb);
}

// Each pixel's alpha channel over all four of its channels.
inline Lanes Alphas(const Lanes& c) {
    return {_mm_shufflehi_epi16(_mm_shufflelo_epi16(c.lo, 0xFF), 0xFF),
            _mm_shufflehi_epi16(_mm_shufflelo_epi16(c.hi, 0xFF), 0xFF)};
}

template <BlendMode kBlend>
inline __m128i BlendQuad(const Lanes& colour, __m128i old) {
    const __m128i packed = Narrow(colour);
    if constexpr (kBlend == kBlendOff) {
        return packed;
    } else {
        // An opaque source replaces the pixels whatever they hold.
        if (kBlend == kBlendAlpha &&
            _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_srli_epi32(packed, 24), _mm_set1_epi32(255))) ==
                0xFFFF)
            return packed;
        const Lanes destination = Widen(_mm_or_si128(old, _mm_set1_epi32(int32_t(0xFF000000u))));
        const __m128i full = _mm_set1_epi16(255);
        if constexpr (kBlend == kBlendAlpha) {
            const Lanes a = Alphas(colour);
            const Lanes keep{_mm_sub_epi16(full, a.lo), _mm_sub_epi16(full, a.hi)};
            const Lanes s = Product(colour, a), d = Product(destination, keep);
            return Narrow({_mm_min_epi16(_mm_add_epi16(s.lo, d.lo), full),
                           _mm_min_epi16(_mm_add_epi16(s.hi, d.hi), full)});
        } else {
            const Lanes d = Product(destination, colour);
            return Narrow({_mm_min_epi16(d.lo, full), _mm_min_epi16(d.hi, full)});
        }
    }
}

// Four pixels from `pixels` (4 bytes each) with their depth words `words`;
// lanes outside `lanes` keep what they hold.
template <int kStages, bool kSelect, DepthMode kDepth, BlendMode kBlend>
void FastQuad(const PixelState& s, const AttributePlanes& p, const SpanStart& start,
              uint8_t* pixels, uint32_t* words, float step, __m128i lanes) {
    const __m128 steps = _mm_add_ps(_mm_set1_ps(step), _mm_setr_ps(0, 1, 2, 3));
    __m128i pass = lanes, depth = _mm_setzero_si128(), stored = depth;
    if constexpr (kDepth != kDepthOff) {
        depth = Depth24(Plane(start, p, kPlaneDepth, steps));
        stored = _mm_loadu_si128(reinterpret_cast<const __m128i*>(words));
        pass = _mm_andnot_si128(_mm_cmpgt_epi32(depth, _mm_srli_epi32(stored, 8)), pass);
    }
    if (_mm_movemask_epi8(pass) == 0) return;
    const __m128 w = _mm_div_ps(_mm_set1_ps(1.0f), Plane(start, p, kPlaneRhw, steps));
    Lanes colour = Bilinear(*s.stages[0].texels, _mm_mul_ps(Plane(start, p, kPlaneU0, steps), w),
                            _mm_mul_ps(Plane(start, p, kPlaneV0, steps), w));
    if constexpr (!kSelect) colour = Product(colour, DiffuseLanes(start, p, steps, w));
    if constexpr (kStages == 2) {
        const Lanes light =
            Bilinear(*s.stages[1].texels, _mm_mul_ps(Plane(start, p, kPlaneU1, steps), w),
                     _mm_mul_ps(Plane(start, p, kPlaneV1, steps), w));
        const Lanes lit = Product(light, colour);
        const __m128i alpha = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
        colour = {_mm_or_si128(_mm_andnot_si128(alpha, lit.lo), _mm_and_si128(alpha, colour.lo)),
                  _mm_or_si128(_mm_andnot_si128(alpha, lit.hi), _mm_and_si128(alpha, colour.hi))};
    }
    if constexpr (kDepth == kDepthTestWrite) {
        const __m128i updated =
            _mm_or_si128(_mm_slli_epi32(depth, 8), _mm_and_si128(stored, _mm_set1_epi32(0xFF)));
        const __m128i kept =
            _mm_or_si128(_mm_and_si128(pass, updated), _mm_andnot_si128(pass, stored));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(words), kept);
    }
    __m128i old;
    std::memcpy(&old, pixels, 16);
    const __m128i out = BlendQuad<kBlend>(colour, old);
    const __m128i kept = _mm_or_si128(_mm_and_si128(pass, out), _mm_andnot_si128(pass, old));
    std::memcpy(pixels, &kept, 16);
}

// The last one to three pixels of a span: the quad works on copies, so that
// no pixel past the span (another tile's, maybe) is read or written.
template <int kStages, bool kSelect, DepthMode kDepth, BlendMode kBlend>
void FastTail(const PixelState& s, const AttributePlanes& p, const SpanStart& start,
              uint8_t* pixels, uint32_t* words, float step, int32_t count) {
    alignas(16) uint8_t colour[16] = {};
    alignas(16) uint32_t depth[4] = {};
    std::memcpy(colour, pixels, std::size_t(count) * 4);
    if (words) std::memcpy(depth, words, std::size_t(count) * 4);
    const __m128i lanes = _mm_cmplt_epi32(_mm_setr_epi32(0, 1, 2, 3), _mm_set1_epi32(count));
    FastQuad<kStages, kSelect, kDepth, kBlend>(s, p, start, colour, depth, step, lanes);
    std::memcpy(pixels, colour, std::size_t(count) * 4);
    if (words) std::memcpy(words, depth, std::size_t(count) * 4);
}

#endif

template <int kStages, bool kSelect, bool kBilinear, DepthMode kDepth, BlendMode kBlend>
void FastSpan(const PixelState& s, const AttributePlanes& p, const RenderTargets& t, int32_t y,
              int32_t x0, int32_t x1) {
    const SpanStart start(p, y, x0);
    uint8_t* colourRow = t.colour + std::size_t(y) * t.colourPitch;
    uint32_t* depthRow = t.depth ? t.depth + std::size_t(y) * t.depthPitch : nullptr;
    int32_t x = x0;
#if defined(__SSE2__)
    if constexpr (kBilinear) {
        const __m128i all = _mm_set1_epi32(-1);
        for (; x + 4 <= x1; x += 4) {
            FastQuad<kStages, kSelect, kDepth, kBlend>(s, p, start, colourRow + std::size_t(x) * 4,
                                                       depthRow ? depthRow + x : nullptr,
                                                       float(x - x0), all);
        }
        if (x < x1) {
            FastTail<kStages, kSelect, kDepth, kBlend>(s, p, start, colourRow + std::size_t(x) * 4,
                                                       depthRow ? depthRow + x : nullptr,
                                                       float(x - x0), x1 - x);
        }
        return;
    }
#endif
    for (; x < x1; ++x)
        FastPixel<kStages, kSelect, kBilinear, kDepth, kBlend>(s, p, start, colourRow, depthRow, x,
                                                               float(x - x0));
}

constexpr std::size_t Index(int stages, bool select, bool bilinear, int depth, int blend) {
    return (((std::size_t(stages - 1) * 2 + select) * 2 + bilinear) * kDepthModes + depth) *
               kBlendModes +
           blend;
}

constexpr std::size_t kVariants = Index(2, true, true, kDepthModes - 1, kBlendModes - 1) + 1;

template <std::size_t I>
constexpr SpanFunction Variant() {
    constexpr std::size_t blend = I % kBlendModes, depth = I / kBlendModes % kDepthModes;
    constexpr std::size_t rest = I / kBlendModes / kDepthModes;
    return &FastSpan<int(rest / 4) + 1, (rest / 2) % 2 == 1, rest % 2 == 1, DepthMode(depth),
                     BlendMode(blend)>;
}

template <std::size_t... I>
constexpr std::array<SpanFunction, sizeof...(I)> Table(std::index_sequence<I...>) {
    return {Variant<I>()...};
}

constexpr std::array<SpanFunction, kVariants> kSpans = Table(std::make_index_sequence<kVariants>());

bool FastTexture(const StageSetup& stage) {
    return stage.texels && stage.texels->powerOfTwo && stage.wrapU && stage.wrapV;
}

bool Uses(const StageSetup& stage, DWORD a, DWORD b, bool colour) {
    const DWORD arg1 = colour ? stage.colourArg1 : stage.alphaArg1;
    const DWORD arg2 = colour ? stage.colourArg2 : stage.alphaArg2;
    return (arg1 == a && arg2 == b) || (arg1 == b && arg2 == a);
}

// Stage 0: -1 for no fast loop, 0 for texture x diffuse, 1 for the texture.
int StageZero(const StageSetup& s) {
    if (!FastTexture(s)) return -1;
    if (s.colourOp == D3DTOP_MODULATE && s.alphaOp == D3DTOP_MODULATE &&
        Uses(s, D3DTA_TEXTURE, D3DTA_DIFFUSE, true) && Uses(s, D3DTA_TEXTURE, D3DTA_DIFFUSE, false))
        return 0;
    if (s.colourOp == D3DTOP_SELECTARG1 && s.alphaOp == D3DTOP_SELECTARG1 &&
        s.colourArg1 == D3DTA_TEXTURE && s.alphaArg1 == D3DTA_TEXTURE)
        return 1;
    return -1;
}

bool StageOne(const StageSetup& s) {
    const bool keepsAlpha = s.alphaOp == D3DTOP_DISABLE ||
                            (s.alphaOp == D3DTOP_SELECTARG1 && s.alphaArg1 == D3DTA_CURRENT) ||
                            (s.alphaOp == D3DTOP_SELECTARG2 && s.alphaArg2 == D3DTA_CURRENT);
    return FastTexture(s) && s.colourOp == D3DTOP_MODULATE &&
           Uses(s, D3DTA_TEXTURE, D3DTA_CURRENT, true) && keepsAlpha;
}

int DepthOf(const PixelState& s) {
    if (!s.depthEnable) return kDepthOff;
    if (s.depthFunc != D3DCMP_LESSEQUAL) return -1;
    return s.depthWrite ? kDepthTestWrite : kDepthTestOnly;
}

int BlendOf(const PixelState& s) {
    const D3DBLEND from = s.sourceBlend, to = s.destinationBlend;
    if (!s.blend || (from == D3DBLEND_ONE && to == D3DBLEND_ZERO)) return kBlendOff;
    if (from == D3DBLEND_SRCALPHA && to == D3DBLEND_INVSRCALPHA) return kBlendAlpha;
    if (from == D3DBLEND_ZERO && to == D3DBLEND_SRCCOLOR) return kBlendMultiply;
    return -1;
}

}  // namespace

SpanFunction ChooseFastSpan(const PixelState& s) {
    if (s.colourFormat != D3DFMT_X8R8G8B8 || s.stencilEnable || s.alphaTest) return nullptr;
    if (s.stageCount < 1 || s.stageCount > 2) return nullptr;
    const int zero = StageZero(s.stages[0]);
    const int depth = DepthOf(s), blend = BlendOf(s);
    if (zero < 0 || depth < 0 || blend < 0) return nullptr;
    if (s.stageCount == 2 &&
        (!StageOne(s.stages[1]) || s.stages[1].bilinear != s.stages[0].bilinear))
        return nullptr;
    return kSpans[Index(s.stageCount, zero == 1, s.stages[0].bilinear, depth, blend)];
}

}  // namespace vimsa::d3d8
