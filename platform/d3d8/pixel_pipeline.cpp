#include "platform/d3d8/pixel_pipeline.h"

#include "platform/d3d8/fast_spans.h"
#include "platform/d3d8/shading.h"
#include "platform/d3d8/surface_format.h"

namespace vimsa::d3d8 {
namespace {

using namespace shading;

uint32_t SampleStage(const StageSetup& stage, float u, float v) {
    if (!stage.texels) return 0xFFFFFFFFu;
    return stage.bilinear ? SampleBilinear(*stage.texels, u, v, stage.wrapU, stage.wrapV)
                          : SamplePoint(*stage.texels, u, v, stage.wrapU, stage.wrapV);
}

uint32_t Argument(DWORD argument, uint32_t diffuse, uint32_t current, uint32_t texel) {
    switch (argument) {
        case D3DTA_DIFFUSE:
            return diffuse;
        case D3DTA_TEXTURE:
            return texel;
        default:
            return current;
    }
}

// The colour of one pixel after the texture stages.
uint32_t CombineStages(const PixelState& s, const SpanStart& start, const AttributePlanes& p,
                       float step, float w, uint32_t diffuse) {
    uint32_t current = diffuse;
    for (int i = 0; i < s.stageCount; ++i) {
        const StageSetup& stage = s.stages[i];
        const float u = start.At(p, kPlaneU0 + 2 * i, step) * w;
        const float v = start.At(p, kPlaneV0 + 2 * i, step) * w;
        const uint32_t texel = SampleStage(stage, u, v);
        const uint32_t colour =
            ApplyOp(stage.colourOp, Argument(stage.colourArg1, diffuse, current, texel),
                    Argument(stage.colourArg2, diffuse, current, texel));
        const uint32_t alpha =
            stage.alphaOp == D3DTOP_DISABLE
                ? current
                : ApplyOp(stage.alphaOp, Argument(stage.alphaArg1, diffuse, current, texel),
                          Argument(stage.alphaArg2, diffuse, current, texel));
        current = (colour & 0x00FFFFFFu) | (alpha & 0xFF000000u);
    }
    return current;
}

// Runs the stencil and depth tests on one depth-stencil word, updating it
// as the state says; true when the pixel's colour is to be written.
bool DepthStencil(const PixelState& s, uint32_t depth, bool depthPass, uint32_t* word) {
    uint32_t stencil = *word & 0xFFu;
    bool pass = depthPass;
    if (s.stencilEnable) {
        const bool stencilPass =
            Compare(s.stencilFunc, s.stencilRef & s.stencilMask, stencil & s.stencilMask);
        const D3DSTENCILOP op = !stencilPass ? s.stencilFail
                                : !depthPass ? s.stencilDepthFail
                                             : s.stencilPass;
        const uint32_t changed = StencilOp(op, stencil, s.stencilRef);
        stencil = (stencil & ~uint32_t{s.stencilWriteMask}) | (changed & s.stencilWriteMask);
        pass = stencilPass && depthPass;
    }
    const bool writeDepth = pass && s.depthEnable && s.depthWrite;
    *word = ((writeDepth ? depth : *word >> 8) << 8) | stencil;
    return pass;
}

void WriteColour(const PixelState& s, uint8_t* pixel, uint32_t colour) {
    if (s.blend) {
        const uint32_t destination = DecodeArgb(pixel, s.colourFormat);
        colour = Blend(s.sourceBlend, s.destinationBlend, colour, destination);
    }
    EncodeArgb(pixel, s.colourFormat, colour);
}

}  // namespace

void ShadeSpanGeneral(const PixelState& s, const AttributePlanes& p, const RenderTargets& t,
                      int32_t y, int32_t x0, int32_t x1) {
    const SpanStart start(p, y, x0);
    uint8_t* colourRow = t.colour + std::size_t(y) * t.colourPitch;
    uint32_t* depthRow = t.depth ? t.depth + std::size_t(y) * t.depthPitch : nullptr;
    const uint32_t bytes = FormatBytes(s.colourFormat);
    // Without alpha test and stencil a failed depth test decides at once.
    const bool early = !s.alphaTest && !s.stencilEnable;
    for (int32_t x = x0; x < x1; ++x) {
        const float step = float(x - x0);
        uint32_t* word = depthRow ? depthRow + x : nullptr;
        const uint32_t depth = ToDepth24(start.At(p, kPlaneDepth, step));
        const bool depthPass = !s.depthEnable || !word || Compare(s.depthFunc, depth, *word >> 8);
        if (early && !depthPass) continue;
        const float w = 1.0f / start.At(p, kPlaneRhw, step);
        const uint32_t colour = CombineStages(s, start, p, step, w, Diffuse(start, p, step, w));
        if (s.alphaTest && !Compare(s.alphaFunc, colour >> 24, s.alphaRef)) continue;
        if (word && !DepthStencil(s, depth, depthPass, word)) continue;
        WriteColour(s, colourRow + std::size_t(x) * bytes, colour);
    }
}

SpanFunction ChooseSpanFunction(const PixelState& state) {
    const SpanFunction fast = ChooseFastSpan(state);
    return fast ? fast : &ShadeSpanGeneral;
}

}  // namespace vimsa::d3d8
