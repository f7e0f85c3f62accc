#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d8/clipper.h"
#include "platform/d3d8/rasterizer.h"
#include "platform/d3d8/triangle_setup.h"
#include "platform/d3d8/vertex_processor.h"

namespace vimsa::d3d8 {

// How the primitives of one draw reach the screen.
struct GeometrySetup {
    D3DVIEWPORT8 viewport;
    PixelRect clip;  // the viewport within the target
    D3DCULL cull = D3DCULL_NONE;
    bool wireframe = false;
    bool flat = false;
    uint32_t state = 0;  // the rasteriser's pixel state
};

// Turns the triangles and lines of one draw into rasteriser records: clips
// them against the view volume (widened by the guard band), projects them
// through the viewport, culls by winding, and in wire-frame mode draws a
// triangle's edges as lines.
class GeometryProcessor {
public:
    GeometryProcessor(const GeometrySetup& setup, const VertexBatch& batch, Rasterizer& rasterizer);

    // Vertex numbers within the batch, which the caller has checked.
    void Triangle(uint32_t a, uint32_t b, uint32_t c);
    void Line(uint32_t a, uint32_t b);

private:
    RasterVertex Project(const ClipVertex& v) const;
    ClipVertex Unproject(const RasterVertex& v) const;
    const RasterVertex& Projected(uint32_t i);
    uint32_t Outcode(uint32_t i);
    bool InsideGuardBand(const RasterVertex& v) const;
    void ClippedTriangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c);
    void ScreenTriangle(const RasterVertex& a, const RasterVertex& b, const RasterVertex& c);
    void ScreenPolygon(const RasterVertex* v, int count);
    void ScreenLine(const RasterVertex& a, const RasterVertex& b);

    GeometrySetup setup_;
    const VertexBatch& batch_;
    Rasterizer& rasterizer_;
    Clipper clipper_;
    std::vector<RasterVertex> projected_;
    std::vector<uint32_t> outcodes_;
    std::vector<uint8_t> known_;  // bit 0: projected_ valid, bit 1: outcodes_ valid
};

}  // namespace vimsa::d3d8
