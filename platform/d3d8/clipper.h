#pragma once

#include <cstdint>

#include "platform/d3d8/pixel_state.h"

namespace vimsa::d3d8 {

// A vertex in clip space with the attributes that follow it through
// clipping. Colours and texture coordinates interpolate linearly here,
// which is what makes them perspective-correct on the screen.
struct ClipVertex {
    float x = 0, y = 0, z = 0, w = 1;
    float colour[4] = {1, 1, 1, 1};
    float tex[kMaxStages][2] = {};
};

// The volume kept: 0 <= z <= w (near and far planes), w above a tiny
// positive value, and x, y within `guardX` * w and `guardY` * w (the view
// widened by the guard band).
class Clipper {
public:
    static constexpr int kMaxPolygon = 16;

    Clipper(float guardX, float guardY) : guardX_(guardX), guardY_(guardY) {}

    // Bits of the planes a vertex lies outside; 0 inside all.
    uint32_t Outcode(const ClipVertex& v) const;
    // Clips the polygon `in` (count vertices) into `out`; answers the number
    // of vertices left (0 or at least 3).
    int ClipPolygon(const ClipVertex* in, int count, ClipVertex* out) const;
    // Clips a segment in place; false when nothing of it is left.
    bool ClipLine(ClipVertex& a, ClipVertex& b) const;

private:
    static constexpr int kPlanes = 7;
    float Distance(const ClipVertex& v, int plane) const;

    float guardX_, guardY_;
};

// a + (b - a) * t for every field.
ClipVertex Mix(const ClipVertex& a, const ClipVertex& b, float t);

}  // namespace vimsa::d3d8
