#pragma once

#include <cstdint>
#include <vector>

#include "platform/d3d8/clipper.h"
#include "platform/d3d8/device_state.h"
#include "platform/d3d8/fixed_function_lighting.h"
#include "platform/d3d8/triangle_setup.h"

namespace vimsa::d3d8 {

// Where each field of a flexible-format vertex lies.
struct VertexLayout {
    bool valid = false;
    bool pretransformed = false;  // XYZRHW: already in screen space
    bool normal = false;
    bool diffuse = false;
    uint32_t texSets = 0;
    uint32_t size = 0;  // bytes of one vertex
    uint32_t normalOffset = 0, diffuseOffset = 0, texOffset = 0;
};

// The layout of a format; invalid for formats the device does not read.
VertexLayout LayoutOf(DWORD fvf);

// The vertices of one draw after vertex processing: in clip space, or in
// screen space when they came pre-transformed.
struct VertexBatch {
    bool pretransformed = false;
    std::vector<ClipVertex> clip;
    std::vector<RasterVertex> screen;
};

// Transform and lighting of the fixed-function pipeline as the state
// says: world, view and projection transforms, vertex lighting in camera
// space, and the texture coordinate set of each stage. Pre-transformed
// vertices pass through with their diffuse colour.
class VertexProcessor {
public:
    explicit VertexProcessor(const DeviceState& state);

    // Processes `count` vertices of `layout` starting at `data`, `stride`
    // bytes apart.
    void Process(const uint8_t* data, uint32_t stride, const VertexLayout& layout, uint32_t count,
                 VertexBatch& out) const;

private:
    ClipVertex Transform(const uint8_t* vertex, const VertexLayout& layout) const;
    RasterVertex PassThrough(const uint8_t* vertex, const VertexLayout& layout) const;
    void CopyCoordinates(const uint8_t* vertex, const VertexLayout& layout,
                         float (&tex)[kMaxStages][2]) const;

    D3DMATRIX worldView_, worldViewProjection_, normalMatrix_;
    bool lighting_;
    FixedFunctionLighting lights_;
    DWORD coordinateSet_[kMaxStages];
};

}  // namespace vimsa::d3d8
