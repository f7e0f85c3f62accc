#pragma once

#include <cmath>
#include <cstdint>

#include "platform/d3d8/d3d8_types.h"
#include "platform/d3d8/pixel_state.h"

namespace vimsa::d3d8 {

// A vertex in screen space: pixel position (x right, y down, pixel centres
// at half-integers), depth 0..1, the reciprocal of w, the colour (0..1) and
// the texture coordinates of each stage.
struct RasterVertex {
    float x = 0, y = 0, z = 0, rhw = 1;
    float colour[4] = {1, 1, 1, 1};
    float tex[kMaxStages][2] = {};
};

// Attributes interpolated across a primitive, as planes in screen space.
enum PlaneIndex : int {
    kPlaneDepth = 0,  // affine in screen space
    kPlaneRhw,        // likewise; the others are divided by it per pixel
    kPlaneRed,        // colours in 0..255, times rhw unless flat shaded
    kPlaneGreen,
    kPlaneBlue,
    kPlaneAlpha,
    kPlaneU0,  // texture coordinates of stage 0 and 1, times rhw
    kPlaneV0,
    kPlaneU1,
    kPlaneV1,
    kPlaneCount
};

// value(x, y) at the centre of pixel (x, y) is
// value[i] + dx[i] * (x - originX) + dy[i] * (y - originY).
struct AttributePlanes {
    int32_t originX = 0, originY = 0;
    float value[kPlaneCount] = {};
    float dx[kPlaneCount] = {};
    float dy[kPlaneCount] = {};
    // Colours are constant (flat shading) and not divided by rhw.
    bool flatColour = false;
};

// Pixels a draw may touch: x0 <= x < x1, y0 <= y < y1.
struct PixelRect {
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// A triangle ready to be rasterised. Vertices are snapped to 1/256 pixel;
// pixel (x, y) is covered when its centre lies inside all three edges, or
// on an edge that is a top or a left edge (the top-left rule), so that
// triangles sharing an edge never both draw, nor both skip, a pixel on it.
struct TriangleRecord {
    PixelRect bounds;  // covered pixels lie inside
    // Edge i: E = a * X + b * Y + c at the sample point (X, Y) in 1/256
    // pixels, covered when E >= 0 (the top-left rule is folded into c).
    int64_t edgeA[3] = {}, edgeB[3] = {}, edgeC[3] = {};
    // 1 / (256 a) of each edge (0 when a is 0), for finding where rows cross it.
    double inverseA[3] = {};
    AttributePlanes planes;
    uint32_t state = 0;
};

// A line one pixel wide. Along its major axis each pixel column (or row)
// whose centre lies between the start (included) and the end (excluded)
// gets the one pixel the line crosses at that centre.
struct LineRecord {
    PixelRect bounds;
    float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool xMajor = true;
    AttributePlanes planes;
    uint32_t state = 0;
};

// The farthest a vertex may lie outside the target, in pixels: geometry
// beyond it is clipped first, so that fixed-point edge values never overflow.
inline constexpr float kGuardBand = 8192.0f;

// Fills `out` for the triangle a, b, c as drawn, culling the winding `cull`
// names. False when nothing of it can be drawn inside `clip`.
bool SetupTriangle(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c,
                   const PixelRect& clip, D3DCULL cull, bool flat, uint32_t state,
                   TriangleRecord& out);

// False when nothing of the line can be drawn inside `clip`.
bool SetupLine(const RasterVertex& a, const RasterVertex& b, const PixelRect& clip, bool flat,
               uint32_t state, LineRecord& out);

// The covered pixels of row y: x0 <= x < x1 (empty when x0 >= x1), within
// the triangle's bounds.
void TriangleRowSpan(const TriangleRecord& triangle, int32_t y, int32_t& x0, int32_t& x1);

// Calls pixel(x, y) for each pixel of the line inside `area`, in order.
template <typename Pixel>
void ForEachLinePixel(const LineRecord& line, const PixelRect& area, Pixel&& pixel);

// The major-axis range of a line: first <= i < last, for the pixels whose
// centres lie between the start (included) and the end (excluded).
void LineMajorRange(float from, float to, int32_t& first, int32_t& last);

template <typename Pixel>
void ForEachLinePixel(const LineRecord& line, const PixelRect& area, Pixel&& pixel) {
    const float m0 = line.xMajor ? line.x0 : line.y0, m1 = line.xMajor ? line.x1 : line.y1;
    const float n0 = line.xMajor ? line.y0 : line.x0, n1 = line.xMajor ? line.y1 : line.x1;
    int32_t first = 0, last = 0;
    LineMajorRange(m0, m1, first, last);
    const int32_t lo = line.xMajor ? area.x0 : area.y0, hi = line.xMajor ? area.x1 : area.y1;
    if (first < lo) first = lo;
    if (last > hi) last = hi;
    if (first >= last) return;
    const double slope = (double(n1) - n0) / (double(m1) - m0);
    for (int32_t i = first; i < last; ++i) {
        const double centre = i + 0.5;
        const auto minor = static_cast<int32_t>(std::floor(n0 + (centre - m0) * slope));
        const int32_t x = line.xMajor ? i : minor, y = line.xMajor ? minor : i;
        if (x >= area.x0 && x < area.x1 && y >= area.y0 && y < area.y1) pixel(x, y);
    }
}

}  // namespace vimsa::d3d8
