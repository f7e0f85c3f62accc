#pragma once

#include <cstdint>

#include "platform/d3d8/d3d8_types.h"
#include "platform/d3d8/texel_block.h"

namespace vimsa::d3d8 {

// The most texture stages one pass combines.
inline constexpr int kMaxStages = 2;

// One texture stage as the pixels of a draw see it.
struct StageSetup {
    D3DTEXTUREOP colourOp = D3DTOP_DISABLE;
    DWORD colourArg1 = D3DTA_TEXTURE, colourArg2 = D3DTA_CURRENT;
    D3DTEXTUREOP alphaOp = D3DTOP_DISABLE;
    DWORD alphaArg1 = D3DTA_TEXTURE, alphaArg2 = D3DTA_CURRENT;
    bool bilinear = false;
    bool wrapU = true, wrapV = true;
    // The picture sampled; null reads opaque white. The draw that made this
    // setup keeps the block alive until it is rasterised.
    const TexelBlock* texels = nullptr;
};

// Everything the pixels of one draw depend on, captured when the draw is
// made: later state changes do not reach draws still waiting in the queue.
struct PixelState {
    bool depthEnable = true;
    bool depthWrite = true;
    D3DCMPFUNC depthFunc = D3DCMP_LESSEQUAL;

    bool stencilEnable = false;
    D3DCMPFUNC stencilFunc = D3DCMP_ALWAYS;
    D3DSTENCILOP stencilFail = D3DSTENCILOP_KEEP;
    D3DSTENCILOP stencilDepthFail = D3DSTENCILOP_KEEP;
    D3DSTENCILOP stencilPass = D3DSTENCILOP_KEEP;
    uint8_t stencilRef = 0, stencilMask = 0xFF, stencilWriteMask = 0xFF;

    bool alphaTest = false;
    D3DCMPFUNC alphaFunc = D3DCMP_ALWAYS;
    uint8_t alphaRef = 0;

    bool blend = false;
    D3DBLEND sourceBlend = D3DBLEND_ONE, destinationBlend = D3DBLEND_ZERO;

    // Stages in use, up to the first disabled one.
    int stageCount = 0;
    StageSetup stages[kMaxStages];

    D3DFORMAT colourFormat = D3DFMT_X8R8G8B8;
    bool hasDepthBuffer = true;
};

}  // namespace vimsa::d3d8
