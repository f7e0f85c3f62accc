#pragma once

#include "platform/d3d8/pixel_pipeline.h"

namespace vimsa::d3d8 {

// A loop made for one family of states, or null when the state is not one
// of them. The states covered are those a frame is mostly drawn with: an
// X8R8G8B8 target, no stencil and no alpha test, depth tested for
// less-or-equal or not at all, no blending, alpha blending or multiplying
// blending, and one or two wrapping power-of-two textures combined as
// texture x vertex colour (or the texture alone) and x texture. The loops
// compute exactly what the general loop computes, with the state's choices
// made once instead of per pixel.
SpanFunction ChooseFastSpan(const PixelState& state);

}  // namespace vimsa::d3d8
