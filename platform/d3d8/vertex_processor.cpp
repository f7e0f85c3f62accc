#include "platform/d3d8/vertex_processor.h"

#include <cstring>

#include "platform/d3d8/d3d8_matrix.h"

namespace vimsa::d3d8 {
namespace {

constexpr DWORD kKnownBits =
    D3DFVF_POSITION_MASK | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEXCOUNT_MASK;

void ReadFloats(const uint8_t* at, float* out, int count) {
    std::memcpy(out, at, sizeof(float) * static_cast<std::size_t>(count));
}

void ReadColour(const uint8_t* at, float (&out)[4]) {
    D3DCOLOR c = 0;
    std::memcpy(&c, at, sizeof c);
    out[0] = float((c >> 16) & 0xFF) / 255.0f;
    out[1] = float((c >> 8) & 0xFF) / 255.0f;
    out[2] = float(c & 0xFF) / 255.0f;
    out[3] = float(c >> 24) / 255.0f;
}

MaterialSources SourcesOf(const DWORD* rs) {
    const bool vertexColour = rs[D3DRS_COLORVERTEX] != FALSE;
    return {vertexColour && rs[D3DRS_DIFFUSEMATERIALSOURCE] == D3DMCS_COLOR1,
            vertexColour && rs[D3DRS_AMBIENTMATERIALSOURCE] == D3DMCS_COLOR1,
            vertexColour && rs[D3DRS_EMISSIVEMATERIALSOURCE] == D3DMCS_COLOR1};
}

}  // namespace

VertexLayout LayoutOf(DWORD fvf) {
    VertexLayout l;
    const DWORD position = fvf & D3DFVF_POSITION_MASK;
    if ((fvf & ~kKnownBits) != 0 || (position != D3DFVF_XYZ && position != D3DFVF_XYZRHW)) return l;
    l.pretransformed = position == D3DFVF_XYZRHW;
    l.size = l.pretransformed ? 16 : 12;
    l.normal = (fvf & D3DFVF_NORMAL) != 0;
    if (l.normal) {
        l.normalOffset = l.size;
        l.size += 12;
    }
    l.diffuse = (fvf & D3DFVF_DIFFUSE) != 0;
    if (l.diffuse) {
        l.diffuseOffset = l.size;
        l.size += 4;
    }
    l.texSets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    l.texOffset = l.size;
    l.size += 8 * l.texSets;
    l.valid = true;
    return l;
}

VertexProcessor::VertexProcessor(const DeviceState& s)
    : worldView_(Multiply(s.world, s.view)),
      worldViewProjection_(Multiply(worldView_, s.projection)),
      normalMatrix_(NormalMatrix(worldView_)),
      lighting_(s.renderStates[D3DRS_LIGHTING] != FALSE),
      lights_(s.material, SourcesOf(s.renderStates), s.renderStates[D3DRS_AMBIENT],
              s.renderStates[D3DRS_NORMALIZENORMALS] != FALSE) {
    for (int i = 0; i < kLightSlots && lighting_; ++i) {
        if (s.lightEnabled[i]) lights_.AddLight(s.lights[i], s.view);
    }
    for (int stage = 0; stage < kMaxStages; ++stage)
        coordinateSet_[stage] = s.stageStates[stage][D3DTSS_TEXCOORDINDEX];
}

void VertexProcessor::CopyCoordinates(const uint8_t* v, const VertexLayout& l,
                                      float (&tex)[kMaxStages][2]) const {
    for (int stage = 0; stage < kMaxStages; ++stage) {
        const DWORD set = coordinateSet_[stage];
        if (set < l.texSets) {
            ReadFloats(v + l.texOffset + 8 * set, tex[stage], 2);
        } else {
            tex[stage][0] = tex[stage][1] = 0.0f;
        }
    }
}

ClipVertex VertexProcessor::Transform(const uint8_t* v, const VertexLayout& l) const {
    float p[3];
    ReadFloats(v, p, 3);
    ClipVertex out;
    const Float4 clip = TransformPoint(worldViewProjection_, p[0], p[1], p[2]);
    out.x = clip.x, out.y = clip.y, out.z = clip.z, out.w = clip.w;
    float colour[4] = {1, 1, 1, 1};
    if (l.diffuse) ReadColour(v + l.diffuseOffset, colour);
    if (lighting_) {
        const Float4 eye = TransformPoint(worldView_, p[0], p[1], p[2]);
        float n[3] = {0, 0, 0};
        if (l.normal) ReadFloats(v + l.normalOffset, n, 3);
        const D3DVECTOR tn = TransformDirection(normalMatrix_, n[0], n[1], n[2]);
        const float position[3] = {eye.x, eye.y, eye.z}, normal[3] = {tn.x, tn.y, tn.z};
        lights_.Light(position, normal, l.diffuse ? colour : nullptr, out.colour);
    } else {
        std::memcpy(out.colour, colour, sizeof colour);
    }
    CopyCoordinates(v, l, out.tex);
    return out;
}

RasterVertex VertexProcessor::PassThrough(const uint8_t* v, const VertexLayout& l) const {
    RasterVertex out;
    float p[4];
    ReadFloats(v, p, 4);
    out.x = p[0], out.y = p[1], out.z = p[2], out.rhw = p[3];
    if (l.diffuse) ReadColour(v + l.diffuseOffset, out.colour);
    CopyCoordinates(v, l, out.tex);
    return out;
}

void VertexProcessor::Process(const uint8_t* data, uint32_t stride, const VertexLayout& l,
                              uint32_t count, VertexBatch& out) const {
    out.pretransformed = l.pretransformed;
    out.clip.clear();
    out.screen.clear();
    if (l.pretransformed) {
        out.screen.resize(count);
        for (uint32_t i = 0; i < count; ++i)
            out.screen[i] = PassThrough(data + std::size_t(i) * stride, l);
        return;
    }
    out.clip.resize(count);
    for (uint32_t i = 0; i < count; ++i)
        out.clip[i] = Transform(data + std::size_t(i) * stride, l);
}

}  // namespace vimsa::d3d8
