#include "platform/d3d8/triangle_setup.h"

#include <algorithm>
#include <cmath>

namespace vimsa::d3d8 {
namespace {

constexpr int kSubpixelBits = 8;
constexpr int64_t kSubpixel = int64_t{1} << kSubpixelBits;
constexpr int64_t kHalfPixel = kSubpixel / 2;
// Past the guard band (with room for the target itself) a coordinate would
// overflow the edge arithmetic.
constexpr float kCoordinateLimit = 4.0f * kGuardBand;

int64_t FloorDiv(int64_t n, int64_t d) {  // d > 0
    int64_t q = n / d;
    if (n % d != 0 && n < 0) --q;
    return q;
}

int64_t CeilDiv(int64_t n, int64_t d) {  // d > 0
    return -FloorDiv(-n, d);
}

bool Usable(const RasterVertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::fabs(v.x) < kCoordinateLimit &&
           std::fabs(v.y) < kCoordinateLimit;
}

// The attribute values a vertex contributes to the planes.
void PlaneValues(const RasterVertex& v, bool flat, const RasterVertex& provoking,
                 double (&out)[kPlaneCount]) {
    out[kPlaneDepth] = std::clamp(v.z, 0.0f, 1.0f);
    out[kPlaneRhw] = v.rhw;
    const RasterVertex& c = flat ? provoking : v;
    const double scale = flat ? 1.0 : double(v.rhw);
    for (int i = 0; i < 4; ++i)
        out[kPlaneRed + i] = std::clamp(c.colour[i], 0.0f, 1.0f) * 255.0 * scale;
    for (int s = 0; s < kMaxStages; ++s) {
        out[kPlaneU0 + 2 * s] = double(v.tex[s][0]) * v.rhw;
        out[kPlaneV0 + 2 * s] = double(v.tex[s][1]) * v.rhw;
    }
}

// Planes through three vertices at the given positions (in pixels).
void SolvePlanes(const RasterVertex* const v[3], const double (&x)[3], const double (&y)[3],
                 bool flat, AttributePlanes& planes) {
    double a[3][kPlaneCount];
    for (int i = 0; i < 3; ++i)
        PlaneValues(*v[i], flat, *v[0], a[i]);
    const double x1 = x[1] - x[0], y1 = y[1] - y[0], x2 = x[2] - x[0], y2 = y[2] - y[0];
    const double inverseArea = 1.0 / (x1 * y2 - x2 * y1);
    // The centre of the origin pixel, relative to vertex 0.
    const double ox = planes.originX + 0.5 - x[0], oy = planes.originY + 0.5 - y[0];
    for (int p = 0; p < kPlaneCount; ++p) {
        const double d1 = a[1][p] - a[0][p], d2 = a[2][p] - a[0][p];
        const double dx = (d1 * y2 - d2 * y1) * inverseArea;
        const double dy = (d2 * x1 - d1 * x2) * inverseArea;
        planes.dx[p] = static_cast<float>(dx);
        planes.dy[p] = static_cast<float>(dy);
        planes.value[p] = static_cast<float>(a[0][p] + dx * ox + dy * oy);
    }
    planes.flatColour = flat;
}

// Covered pixel range of the fixed-point span lo..hi: centres within it.
void PixelRange(int64_t lo, int64_t hi, int32_t& first, int32_t& last) {
    first = static_cast<int32_t>(CeilDiv(lo - kHalfPixel, kSubpixel));
    last = static_cast<int32_t>(FloorDiv(hi - kHalfPixel, kSubpixel)) + 1;
}

}  // namespace

bool SetupTriangle(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c,
                   const PixelRect& clip, D3DCULL cull, bool flat, uint32_t state,
                   TriangleRecord& out) {
    if (!Usable(a) || !Usable(b) || !Usable(c)) return false;
    const RasterVertex* v[3] = {&a, &b, &c};
    int64_t X[3], Y[3];
    for (int i = 0; i < 3; ++i) {
        X[i] = std::lrint(double(v[i]->x) * kSubpixel);
        Y[i] = std::lrint(double(v[i]->y) * kSubpixel);
    }
    int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
    if (area == 0) return false;
    // Positive area is clockwise as seen on the screen (y grows downwards).
    if ((cull == D3DCULL_CW && area > 0) || (cull == D3DCULL_CCW && area < 0)) return false;
    if (area < 0) {
        std::swap(v[1], v[2]);
        std::swap(X[1], X[2]);
        std::swap(Y[1], Y[2]);
    }

    int64_t minX = std::min({X[0], X[1], X[2]}), maxX = std::max({X[0], X[1], X[2]});
    int64_t minY = std::min({Y[0], Y[1], Y[2]}), maxY = std::max({Y[0], Y[1], Y[2]});
    PixelRect& r = out.bounds;
    PixelRange(minX, maxX, r.x0, r.x1);
    PixelRange(minY, maxY, r.y0, r.y1);
    r.x0 = std::max(r.x0, clip.x0);
    r.y0 = std::max(r.y0, clip.y0);
    r.x1 = std::min(r.x1, clip.x1);
    r.y1 = std::min(r.y1, clip.y1);
    if (r.x0 >= r.x1 || r.y0 >= r.y1) return false;

    for (int i = 0; i < 3; ++i) {
        const int j = (i + 1) % 3;
        const int64_t dx = X[j] - X[i], dy = Y[j] - Y[i];
        const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
        out.edgeA[i] = -dy;
        out.edgeB[i] = dx;
        out.edgeC[i] = dy * X[i] - dx * Y[i] - (topLeft ? 0 : 1);
        out.inverseA[i] = dy != 0 ? 1.0 / double(-dy * kSubpixel) : 0.0;
    }
    double px[3], py[3];
    for (int i = 0; i < 3; ++i) {
        px[i] = double(X[i]) / kSubpixel;
        py[i] = double(Y[i]) / kSubpixel;
    }
    out.planes.originX = r.x0;
    out.planes.originY = r.y0;
    SolvePlanes(v, px, py, flat, out.planes);
    out.state = state;
    return true;
}

namespace {

// The first x at which a x + k >= 0 (a > 0): a product with the reciprocal
// lands within one of it, and exact integer tests settle it.
int64_t FirstInside(int64_t a, int64_t k, double inverse) {
    auto x = static_cast<int64_t>(std::ceil(double(-k) * inverse));
    while (a * x + k < 0)
        ++x;
    while (a * (x - 1) + k >= 0)
        --x;
    return x;
}

// One past the last x at which a x + k >= 0 (a < 0).
int64_t PastLastInside(int64_t a, int64_t k, double inverse) {
    auto x = static_cast<int64_t>(std::floor(double(-k) * inverse)) + 1;
    while (a * (x - 1) + k < 0)
        --x;
    while (a * x + k >= 0)
        ++x;
    return x;
}

}  // namespace

void TriangleRowSpan(const TriangleRecord& t, int32_t y, int32_t& x0, int32_t& x1) {
    int64_t lo = t.bounds.x0, hi = t.bounds.x1;
    const int64_t sampleY = int64_t{y} * kSubpixel + kHalfPixel;
    for (int i = 0; i < 3 && lo < hi; ++i) {
        // Covered where a * (256 x + 128) + b * sampleY + c >= 0.
        const int64_t a = t.edgeA[i] * kSubpixel;
        const int64_t k = t.edgeA[i] * kHalfPixel + t.edgeB[i] * sampleY + t.edgeC[i];
        if (a > 0) {
            lo = std::max(lo, FirstInside(a, k, t.inverseA[i]));
        } else if (a < 0) {
            hi = std::min(hi, PastLastInside(a, k, t.inverseA[i]));
        } else if (k < 0) {
            hi = lo;
        }
    }
    x0 = static_cast<int32_t>(lo);
    x1 = static_cast<int32_t>(std::max(lo, hi));
}

void LineMajorRange(float from, float to, int32_t& first, int32_t& last) {
    // Centres c + 0.5 from `from` (included) towards `to` (excluded).
    if (from < to) {
        first = static_cast<int32_t>(std::ceil(double(from) - 0.5));
        last = static_cast<int32_t>(std::ceil(double(to) - 0.5));
    } else if (from > to) {
        first = static_cast<int32_t>(std::floor(double(to) - 0.5)) + 1;
        last = static_cast<int32_t>(std::floor(double(from) - 0.5)) + 1;
    } else {
        first = last = 0;
    }
}

bool SetupLine(const RasterVertex& a, const RasterVertex& b, const PixelRect& clip, bool flat,
               uint32_t state, LineRecord& out) {
    if (!Usable(a) || !Usable(b)) return false;
    out.x0 = a.x;
    out.y0 = a.y;
    out.x1 = b.x;
    out.y1 = b.y;
    out.xMajor = std::fabs(b.x - a.x) >= std::fabs(b.y - a.y);
    const float m0 = out.xMajor ? a.x : a.y, m1 = out.xMajor ? b.x : b.y;
    int32_t first = 0, last = 0;
    LineMajorRange(m0, m1, first, last);
    if (first >= last) return false;
    PixelRect& r = out.bounds;
    const int32_t minorLo =
        static_cast<int32_t>(std::floor(std::min(out.xMajor ? a.y : a.x, out.xMajor ? b.y : b.x)));
    const int32_t minorHi =
        static_cast<int32_t>(std::floor(std::max(out.xMajor ? a.y : a.x, out.xMajor ? b.y : b.x))) +
        1;
    r = out.xMajor ? PixelRect{first, minorLo, last, minorHi}
                   : PixelRect{minorLo, first, minorHi, last};
    r.x0 = std::max(r.x0, clip.x0);
    r.y0 = std::max(r.y0, clip.y0);
    r.x1 = std::min(r.x1, clip.x1);
    r.y1 = std::min(r.y1, clip.y1);
    if (r.x0 >= r.x1 || r.y0 >= r.y1) return false;

    double va[kPlaneCount], vb[kPlaneCount];
    PlaneValues(a, flat, a, va);
    PlaneValues(b, flat, a, vb);
    AttributePlanes& p = out.planes;
    p.originX = r.x0;
    p.originY = r.y0;
    p.flatColour = flat;
    // Values change along the major axis only, so that each pixel takes the
    // value of the point of the line at its centre.
    const double span = double(m1) - m0;
    const double origin = (out.xMajor ? p.originX : p.originY) + 0.5 - double(m0);
    for (int i = 0; i < kPlaneCount; ++i) {
        const double slope = (vb[i] - va[i]) / span;
        p.dx[i] = out.xMajor ? static_cast<float>(slope) : 0.0f;
        p.dy[i] = out.xMajor ? 0.0f : static_cast<float>(slope);
        p.value[i] = static_cast<float>(va[i] + slope * origin);
    }
    out.state = state;
    return true;
}

}  // namespace vimsa::d3d8
