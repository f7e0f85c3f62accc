#include "platform/d3d8/clipper.h"

#include <cmath>
#include <utility>

namespace vimsa::d3d8 {
namespace {

constexpr float kMinimumW = 1e-6f;

float Lerp(float a, float b, float t) {
    return a + (b - a) * t;
}

}  // namespace

ClipVertex Mix(const ClipVertex& a, const ClipVertex& b, float t) {
    ClipVertex r;
    r.x = Lerp(a.x, b.x, t);
    r.y = Lerp(a.y, b.y, t);
    r.z = Lerp(a.z, b.z, t);
    r.w = Lerp(a.w, b.w, t);
    for (int i = 0; i < 4; ++i)
        r.colour[i] = Lerp(a.colour[i], b.colour[i], t);
    for (int s = 0; s < kMaxStages; ++s) {
        r.tex[s][0] = Lerp(a.tex[s][0], b.tex[s][0], t);
        r.tex[s][1] = Lerp(a.tex[s][1], b.tex[s][1], t);
    }
    return r;
}

float Clipper::Distance(const ClipVertex& v, int plane) const {
    switch (plane) {
        case 0:
            return v.z;  // near
        case 1:
            return v.w - v.z;  // far
        case 2:
            return v.w - kMinimumW;
        case 3:
            return v.x + guardX_ * v.w;
        case 4:
            return guardX_ * v.w - v.x;
        case 5:
            return v.y + guardY_ * v.w;
        default:
            return guardY_ * v.w - v.y;
    }
}

uint32_t Clipper::Outcode(const ClipVertex& v) const {
    uint32_t code = 0;
    for (int p = 0; p < kPlanes; ++p) {
        // A NaN distance counts as outside every plane.
        if (!(Distance(v, p) >= 0.0f)) code |= 1u << p;
    }
    return code;
}

int Clipper::ClipPolygon(const ClipVertex* in, int count, ClipVertex* out) const {
    ClipVertex buffers[2][kMaxPolygon];
    const ClipVertex* source = in;
    int n = count;
    for (int p = 0; p < kPlanes && n > 0; ++p) {
        ClipVertex* target = buffers[p & 1];
        int m = 0;
        for (int i = 0; i < n; ++i) {
            const ClipVertex& a = source[i];
            const ClipVertex& b = source[(i + 1) % n];
            const float da = Distance(a, p), db = Distance(b, p);
            const bool ina = da >= 0.0f, inb = db >= 0.0f;
            if (ina && m < kMaxPolygon) target[m++] = a;
            if (ina != inb && m < kMaxPolygon) target[m++] = Mix(a, b, da / (da - db));
        }
        source = target;
        n = m;
    }
    if (n < 3) return 0;
    for (int i = 0; i < n; ++i)
        out[i] = source[i];
    return n;
}

bool Clipper::ClipLine(ClipVertex& a, ClipVertex& b) const {
    float t0 = 0.0f, t1 = 1.0f;
    for (int p = 0; p < kPlanes; ++p) {
        const float da = Distance(a, p), db = Distance(b, p);
        if (!(da >= 0.0f) && !(db >= 0.0f)) return false;
        if (da >= 0.0f && db >= 0.0f) continue;
        const float t = da / (da - db);
        if (da < 0.0f)
            t0 = std::fmax(t0, t);
        else
            t1 = std::fmin(t1, t);
    }
    if (!(t0 < t1)) return false;
    const ClipVertex start = Mix(a, b, t0), end = Mix(a, b, t1);
    a = start;
    b = end;
    return true;
}

}  // namespace vimsa::d3d8
