#include "platform/d3d8/geometry_processor.h"

#include <cmath>

namespace vimsa::d3d8 {
namespace {

constexpr uint8_t kProjectedKnown = 1, kOutcodeKnown = 2;

float GuardFactor(DWORD size) {
    return 1.0f + 2.0f * kGuardBand / float(size == 0 ? 1 : size);
}

// Twice the signed area; positive is clockwise as seen on the screen.
double SignedArea(const RasterVertex* v, int count) {
    double area = 0.0;
    for (int i = 0; i < count; ++i) {
        const RasterVertex& a = v[i];
        const RasterVertex& b = v[(i + 1) % count];
        area += double(a.x) * b.y - double(b.x) * a.y;
    }
    return area;
}

bool Culled(D3DCULL cull, double area) {
    return (cull == D3DCULL_CW && area > 0) || (cull == D3DCULL_CCW && area < 0);
}

}  // namespace

GeometryProcessor::GeometryProcessor(const GeometrySetup& setup, const VertexBatch& batch,
                                     Rasterizer& rasterizer)
    : setup_(setup),
      batch_(batch),
      rasterizer_(rasterizer),
      clipper_(GuardFactor(setup.viewport.Width), GuardFactor(setup.viewport.Height)) {
    const std::size_t count = batch.pretransformed ? batch.screen.size() : batch.clip.size();
    known_.assign(count, 0);
    if (!batch.pretransformed) {
        projected_.resize(count);
        outcodes_.resize(count);
    }
}

RasterVertex GeometryProcessor::Project(const ClipVertex& v) const {
    const D3DVIEWPORT8& vp = setup_.viewport;
    RasterVertex r;
    r.rhw = 1.0f / v.w;
    r.x = float(vp.X) + (v.x * r.rhw + 1.0f) * 0.5f * float(vp.Width);
    r.y = float(vp.Y) + (1.0f - v.y * r.rhw) * 0.5f * float(vp.Height);
    r.z = vp.MinZ + v.z * r.rhw * (vp.MaxZ - vp.MinZ);
    for (int i = 0; i < 4; ++i)
        r.colour[i] = v.colour[i];
    for (int s = 0; s < kMaxStages; ++s) {
        r.tex[s][0] = v.tex[s][0];
        r.tex[s][1] = v.tex[s][1];
    }
    return r;
}

// The clip-space vertex a screen vertex would have come from, so that
// pre-transformed geometry far outside the target can be clipped too.
ClipVertex GeometryProcessor::Unproject(const RasterVertex& v) const {
    const D3DVIEWPORT8& vp = setup_.viewport;
    ClipVertex c;
    c.w = 1.0f / v.rhw;
    const float width = float(vp.Width ? vp.Width : 1), height = float(vp.Height ? vp.Height : 1);
    c.x = ((v.x - float(vp.X)) * 2.0f / width - 1.0f) * c.w;
    c.y = (1.0f - (v.y - float(vp.Y)) * 2.0f / height) * c.w;
    const float depthRange = vp.MaxZ - vp.MinZ;
    c.z = (depthRange != 0.0f ? (v.z - vp.MinZ) / depthRange : v.z) * c.w;
    for (int i = 0; i < 4; ++i)
        c.colour[i] = v.colour[i];
    for (int s = 0; s < kMaxStages; ++s) {
        c.tex[s][0] = v.tex[s][0];
        c.tex[s][1] = v.tex[s][1];
    }
    return c;
}

const RasterVertex& GeometryProcessor::Projected(uint32_t i) {
    if (!(known_[i] & kProjectedKnown)) {
        projected_[i] = Project(batch_.clip[i]);
        known_[i] |= kProjectedKnown;
    }
    return projected_[i];
}

uint32_t GeometryProcessor::Outcode(uint32_t i) {
    if (!(known_[i] & kOutcodeKnown)) {
        outcodes_[i] = clipper_.Outcode(batch_.clip[i]);
        known_[i] |= kOutcodeKnown;
    }
    return outcodes_[i];
}

bool GeometryProcessor::InsideGuardBand(const RasterVertex& v) const {
    const float limit = kGuardBand;
    return std::isfinite(v.rhw) && v.rhw > 0.0f && std::fabs(v.x) <= limit &&
           std::fabs(v.y) <= limit;
}

void GeometryProcessor::Triangle(uint32_t a, uint32_t b, uint32_t c) {
    if (batch_.pretransformed) {
        const RasterVertex &va = batch_.screen[a], &vb = batch_.screen[b], &vc = batch_.screen[c];
        if (InsideGuardBand(va) && InsideGuardBand(vb) && InsideGuardBand(vc)) {
            ScreenTriangle(va, vb, vc);
        } else if (va.rhw > 0.0f && vb.rhw > 0.0f && vc.rhw > 0.0f) {
            ClippedTriangle(Unproject(va), Unproject(vb), Unproject(vc));
        }
        return;
    }
    const uint32_t ca = Outcode(a), cb = Outcode(b), cc = Outcode(c);
    if (ca & cb & cc) return;  // wholly outside one plane
    if ((ca | cb | cc) == 0) {
        ScreenTriangle(Projected(a), Projected(b), Projected(c));
        return;
    }
    ClippedTriangle(batch_.clip[a], batch_.clip[b], batch_.clip[c]);
}

void GeometryProcessor::ClippedTriangle(const ClipVertex& a, const ClipVertex& b,
                                        const ClipVertex& c) {
    const ClipVertex in[3] = {a, b, c};
    ClipVertex out[Clipper::kMaxPolygon];
    const int count = clipper_.ClipPolygon(in, 3, out);
    RasterVertex screen[Clipper::kMaxPolygon];
    for (int i = 0; i < count; ++i)
        screen[i] = Project(out[i]);
    if (count >= 3) ScreenPolygon(screen, count);
}

void GeometryProcessor::ScreenTriangle(const RasterVertex& a, const RasterVertex& b,
                                       const RasterVertex& c) {
    if (setup_.wireframe) {
        const RasterVertex v[3] = {a, b, c};
        ScreenPolygon(v, 3);
        return;
    }
    TriangleRecord record;
    if (SetupTriangle(a, b, c, setup_.clip, setup_.cull, setup_.flat, setup_.state, record))
        rasterizer_.AddTriangle(record);
}

// A convex polygon: a fan of triangles, or its outline in wire-frame mode.
void GeometryProcessor::ScreenPolygon(const RasterVertex* v, int count) {
    if (setup_.wireframe) {
        if (Culled(setup_.cull, SignedArea(v, count))) return;
        for (int i = 0; i < count; ++i)
            ScreenLine(v[i], v[(i + 1) % count]);
        return;
    }
    for (int i = 1; i + 1 < count; ++i) {
        TriangleRecord record;
        if (SetupTriangle(v[0], v[i], v[i + 1], setup_.clip, setup_.cull, setup_.flat, setup_.state,
                          record))
            rasterizer_.AddTriangle(record);
    }
}

void GeometryProcessor::Line(uint32_t a, uint32_t b) {
    if (batch_.pretransformed) {
        const RasterVertex &va = batch_.screen[a], &vb = batch_.screen[b];
        if (InsideGuardBand(va) && InsideGuardBand(vb)) {
            ScreenLine(va, vb);
            return;
        }
        if (!(va.rhw > 0.0f && vb.rhw > 0.0f)) return;
        ClipVertex ca = Unproject(va), cb = Unproject(vb);
        if (clipper_.ClipLine(ca, cb)) ScreenLine(Project(ca), Project(cb));
        return;
    }
    if (Outcode(a) & Outcode(b)) return;
    if ((Outcode(a) | Outcode(b)) == 0) {
        ScreenLine(Projected(a), Projected(b));
        return;
    }
    ClipVertex ca = batch_.clip[a], cb = batch_.clip[b];
    if (clipper_.ClipLine(ca, cb)) ScreenLine(Project(ca), Project(cb));
}

void GeometryProcessor::ScreenLine(const RasterVertex& a, const RasterVertex& b) {
    LineRecord record;
    if (SetupLine(a, b, setup_.clip, setup_.flat, setup_.state, record))
        rasterizer_.AddLine(record);
}

}  // namespace vimsa::d3d8
