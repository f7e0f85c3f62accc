#pragma once

#include <cstdint>

#include "platform/d3d8/d3d8_types.h"

namespace vimsa::d3d8 {

// The most lights that shine at once; further enabled lights are ignored.
inline constexpr int kMaxActiveLights = 8;

// A light as the vertices of one draw see it: in camera space, with its
// cone given as cosines of the half angles.
struct ViewLight {
    D3DLIGHTTYPE type = D3DLIGHT_DIRECTIONAL;
    float diffuse[3] = {};
    float ambient[3] = {};
    float position[3] = {};
    float direction[3] = {0, 0, 1};  // unit length, the way the light shines
    float range = 0;
    float attenuation[3] = {1, 0, 0};
    float cosInner = 1, cosOuter = 1, falloff = 1;
};

// Where the lit colour's parts come from.
struct MaterialSources {
    bool diffuseFromVertex = false;
    bool ambientFromVertex = false;
    bool emissiveFromVertex = false;
};

// Fixed-function vertex lighting for one draw:
//   colour = emissive + ambient * (global ambient + sum of Ai * La)
//          + sum of Ai * Si * diffuse * Ld * max(0, N . L)
// with the attenuation Ai = 1 / (a0 + a1 d + a2 d^2) (0 beyond the range;
// 1 for directional lights) and the spot factor Si = 1 inside the inner
// cone, 0 outside the outer one and ((cos - cosOuter) / (cosInner -
// cosOuter))^falloff between them. The alpha is the diffuse alpha; every
// channel is clamped to 0..1.
class FixedFunctionLighting {
public:
    FixedFunctionLighting() = default;
    FixedFunctionLighting(const D3DMATERIAL8& material, MaterialSources sources,
                          D3DCOLOR globalAmbient, bool normalize);

    // Adds a light given in world space; `view` carries it into camera
    // space. Lights past kMaxActiveLights are ignored.
    void AddLight(const D3DLIGHT8& light, const D3DMATRIX& view);
    int LightCount() const { return count_; }

    // The colour of a vertex at `position` with `normal`, both in camera
    // space; `vertexColour` (r, g, b, a in 0..1) is null when the vertex has
    // none.
    void Light(const float (&position)[3], const float (&normal)[3], const float* vertexColour,
               float (&out)[4]) const;

private:
    // Attenuation times spot factor of one light at a vertex, and the unit
    // vector from the vertex towards the light; false when it gets nothing.
    bool Reach(const ViewLight& light, const float (&position)[3], float (&toLight)[3],
               float& factor) const;

    D3DMATERIAL8 material_;
    MaterialSources sources_;
    float globalAmbient_[3] = {};
    bool normalize_ = false;
    ViewLight lights_[kMaxActiveLights];
    int count_ = 0;
};

}  // namespace vimsa::d3d8
