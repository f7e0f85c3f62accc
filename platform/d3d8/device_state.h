#pragma once

#include <cstdint>

#include "core/ref_object.h"
#include "platform/d3d8/d3d8_resources.h"
#include "platform/d3d8/d3d8_types.h"

namespace vimsa::d3d8 {

// Texture stages the device keeps state for (it samples at most kMaxStages).
inline constexpr int kTextureStageSlots = 8;
// Light indices SetLight accepts.
inline constexpr int kLightSlots = 64;

// Everything the device's Set calls record.
struct DeviceState {
    DeviceState();

    DWORD renderStates[D3DRS_COUNT] = {};
    DWORD stageStates[kTextureStageSlots][D3DTSS_COUNT] = {};
    Handle<IDirect3DTexture8> textures[kTextureStageSlots];
    D3DMATRIX world, view, projection;
    D3DVIEWPORT8 viewport;
    D3DMATERIAL8 material;
    D3DLIGHT8 lights[kLightSlots];
    bool lightSet[kLightSlots] = {};
    bool lightEnabled[kLightSlots] = {};
    DWORD fvf = 0;
    Handle<IDirect3DVertexBuffer8> stream;
    UINT streamStride = 0;
    Handle<IDirect3DIndexBuffer8> indices;
    UINT baseVertexIndex = 0;
};

}  // namespace vimsa::d3d8
