#pragma once

#include <cstdint>

#include "platform/d3d8/d3d8_types.h"
#include "platform/d3d8/pixel_state.h"
#include "platform/d3d8/triangle_setup.h"

namespace vimsa::d3d8 {

// The buffers pixels land in. Depth words hold the depth in their upper 24
// bits and the stencil in the low 8.
struct RenderTargets {
    uint8_t* colour = nullptr;
    uint32_t colourPitch = 0;  // bytes
    D3DFORMAT colourFormat = D3DFMT_X8R8G8B8;
    uint32_t* depth = nullptr;  // null: no depth-stencil buffer
    uint32_t depthPitch = 0;    // words
};

// Shades the pixels x0 <= x < x1 of row y of one primitive.
using SpanFunction = void (*)(const PixelState& state, const AttributePlanes& planes,
                              const RenderTargets& targets, int32_t y, int32_t x0, int32_t x1);

// The span function for a state: a loop made for that state when there is
// one, else the general loop, which handles every state and gives the same
// pixels.
SpanFunction ChooseSpanFunction(const PixelState& state);

// The general loop.
void ShadeSpanGeneral(const PixelState& state, const AttributePlanes& planes,
                      const RenderTargets& targets, int32_t y, int32_t x0, int32_t x1);

}  // namespace vimsa::d3d8
