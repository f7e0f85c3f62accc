#include "platform/d3d8/fixed_function_lighting.h"

#include <algorithm>
#include <cmath>

#include "platform/d3d8/d3d8_matrix.h"

namespace vimsa::d3d8 {
namespace {

float Dot(const float (&a)[3], const float (&b)[3]) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

// Scales v to unit length; false (v unchanged) when it has none.
bool Normalise(float (&v)[3]) {
    const float length = std::sqrt(Dot(v, v));
    if (!(length > 0.0f) || !std::isfinite(length)) return false;
    for (float& c : v)
        c /= length;
    return true;
}

void ColourOf(D3DCOLOR colour, float (&out)[3]) {
    out[0] = float((colour >> 16) & 0xFF) / 255.0f;
    out[1] = float((colour >> 8) & 0xFF) / 255.0f;
    out[2] = float(colour & 0xFF) / 255.0f;
}

// A cone angle's half cosine; angles past a half turn open the cone fully.
float HalfCosine(float angle) {
    return std::cos(std::clamp(angle, 0.0f, 3.14159265f) * 0.5f);
}

}  // namespace

FixedFunctionLighting::FixedFunctionLighting(const D3DMATERIAL8& material, MaterialSources sources,
                                             D3DCOLOR globalAmbient, bool normalize)
    : material_(material), sources_(sources), normalize_(normalize) {
    ColourOf(globalAmbient, globalAmbient_);
}

void FixedFunctionLighting::AddLight(const D3DLIGHT8& light, const D3DMATRIX& view) {
    if (count_ == kMaxActiveLights) return;
    ViewLight& l = lights_[count_++];
    l.type = light.Type;
    const D3DCOLORVALUE d = light.Diffuse, a = light.Ambient;
    l.diffuse[0] = d.r, l.diffuse[1] = d.g, l.diffuse[2] = d.b;
    l.ambient[0] = a.r, l.ambient[1] = a.g, l.ambient[2] = a.b;
    const Float4 p = TransformPoint(view, light.Position.x, light.Position.y, light.Position.z);
    l.position[0] = p.x, l.position[1] = p.y, l.position[2] = p.z;
    const D3DVECTOR dir =
        TransformDirection(view, light.Direction.x, light.Direction.y, light.Direction.z);
    l.direction[0] = dir.x, l.direction[1] = dir.y, l.direction[2] = dir.z;
    if (!Normalise(l.direction)) l.direction[0] = 0, l.direction[1] = 0, l.direction[2] = 1;
    l.range = light.Range;
    l.attenuation[0] = light.Attenuation0;
    l.attenuation[1] = light.Attenuation1;
    l.attenuation[2] = light.Attenuation2;
    l.cosInner = HalfCosine(light.Theta);
    l.cosOuter = HalfCosine(light.Phi);
    l.falloff = light.Falloff;
}

bool FixedFunctionLighting::Reach(const ViewLight& l, const float (&position)[3],
                                  float (&toLight)[3], float& factor) const {
    if (l.type == D3DLIGHT_DIRECTIONAL) {
        for (int i = 0; i < 3; ++i)
            toLight[i] = -l.direction[i];
        factor = 1.0f;
        return true;
    }
    for (int i = 0; i < 3; ++i)
        toLight[i] = l.position[i] - position[i];
    const float distance = std::sqrt(Dot(toLight, toLight));
    if (distance > l.range || !Normalise(toLight)) return false;
    const float denominator =
        l.attenuation[0] + distance * (l.attenuation[1] + distance * l.attenuation[2]);
    // A light without any attenuation term is as strong as it gets.
    factor = denominator > 1e-20f ? 1.0f / denominator : 1e20f;
    if (l.type != D3DLIGHT_SPOT) return true;
    const float cosine = -Dot(toLight, l.direction);
    if (cosine > l.cosInner) return true;
    if (cosine <= l.cosOuter) return false;
    const float ramp = (cosine - l.cosOuter) / (l.cosInner - l.cosOuter);
    factor *= l.falloff == 1.0f ? ramp : std::pow(ramp, l.falloff);
    return true;
}

void FixedFunctionLighting::Light(const float (&position)[3], const float (&normal)[3],
                                  const float* vertexColour, float (&out)[4]) const {
    const D3DCOLORVALUE& md = material_.Diffuse;
    const D3DCOLORVALUE& ma = material_.Ambient;
    const D3DCOLORVALUE& me = material_.Emissive;
    const float diffuse[4] = {md.r, md.g, md.b, md.a}, ambient[3] = {ma.r, ma.g, ma.b},
                emissive[3] = {me.r, me.g, me.b};
    const float* cd = sources_.diffuseFromVertex && vertexColour ? vertexColour : diffuse;
    const float* ca = sources_.ambientFromVertex && vertexColour ? vertexColour : ambient;
    const float* ce = sources_.emissiveFromVertex && vertexColour ? vertexColour : emissive;
    float n[3] = {normal[0], normal[1], normal[2]};
    if (normalize_) (void)Normalise(n);  // a zero normal stays zero and gets no diffuse light

    float lightAmbient[3] = {globalAmbient_[0], globalAmbient_[1], globalAmbient_[2]};
    float lightDiffuse[3] = {};
    for (int k = 0; k < count_; ++k) {
        const ViewLight& l = lights_[k];
        float toLight[3], factor = 0.0f;
        if (!Reach(l, position, toLight, factor)) continue;
        const float cosine = std::max(0.0f, Dot(n, toLight));
        for (int i = 0; i < 3; ++i) {
            lightAmbient[i] += l.ambient[i] * factor;
            lightDiffuse[i] += l.diffuse[i] * factor * cosine;
        }
    }
    for (int i = 0; i < 3; ++i)
        out[i] = std::clamp(ce[i] + ca[i] * lightAmbient[i] + cd[i] * lightDiffuse[i], 0.0f, 1.0f);
    out[3] = std::clamp(cd[3], 0.0f, 1.0f);
}

}  // namespace vimsa::d3d8
