// The loops made for common states must give exactly the pixels of the
// general loop: both run on the same random spans over the same random
// buffers, for every state the fast loops cover.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "platform/d3d8/fast_spans.h"
#include "platform/d3d8/pixel_pipeline.h"
#include "platform/d3d8/texel_block.h"

namespace vimsa::d3d8 {
namespace {

std::shared_ptr<const TexelBlock> RandomBlock(std::mt19937& random, uint32_t width,
                                              uint32_t height) {
    std::vector<uint8_t> bytes(std::size_t{width} * height * 4);
    for (uint8_t& b : bytes)
        b = static_cast<uint8_t>(random());
    // Some texels opaque, as most are, so that blending takes both ways.
    for (std::size_t i = 3; i < bytes.size(); i += 8)
        bytes[i] = 255;
    return MakeTexelBlock(bytes.data(), width * 4, width, height, D3DFMT_A8R8G8B8);
}

AttributePlanes RandomPlanes(std::mt19937& random) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f), slope(-0.02f, 0.02f),
        coordinate(-3.0f, 3.0f);
    AttributePlanes p;
    p.originX = static_cast<int32_t>(random() % 8);
    p.originY = static_cast<int32_t>(random() % 8);
    const float rhw = 0.4f + unit(random) * 2.0f;
    p.value[kPlaneDepth] = unit(random) * 1.1f - 0.05f;  // sometimes outside 0..1
    p.dx[kPlaneDepth] = slope(random) * 0.5f;
    p.dy[kPlaneDepth] = slope(random) * 0.5f;
    p.value[kPlaneRhw] = rhw;
    p.dx[kPlaneRhw] = slope(random) * 0.1f;
    p.dy[kPlaneRhw] = slope(random) * 0.1f;
    for (int i = kPlaneRed; i <= kPlaneAlpha; ++i) {
        p.value[i] = unit(random) * 300.0f * rhw;
        p.dx[i] = slope(random) * 200.0f;
        p.dy[i] = slope(random) * 200.0f;
    }
    for (int i = kPlaneU0; i <= kPlaneV1; ++i) {
        p.value[i] = coordinate(random) * rhw;
        p.dx[i] = slope(random) * 3.0f;
        p.dy[i] = slope(random) * 3.0f;
    }
    p.flatColour = random() % 4 == 0;
    return p;
}

struct Buffers {
    static constexpr uint32_t kWidth = 48, kHeight = 4;
    std::vector<uint8_t> colour = std::vector<uint8_t>(kWidth * kHeight * 4);
    std::vector<uint32_t> depth = std::vector<uint32_t>(kWidth * kHeight);

    RenderTargets Targets() {
        return {colour.data(), kWidth * 4, D3DFMT_X8R8G8B8, depth.data(), kWidth};
    }
};

TEST(SpanTest, FastLoopsGiveExactlyThePixelsOfTheGeneralLoop) {
    std::mt19937 random(5);
    const auto base = RandomBlock(random, 16, 8), light = RandomBlock(random, 4, 32);
    int covered = 0;
    for (int stages = 1; stages <= 2; ++stages)
        for (bool select : {false, true})
            for (bool bilinear : {false, true})
                for (int depth = 0; depth < 3; ++depth)
                    for (int blend = 0; blend < 3; ++blend) {
                        PixelState s;
                        s.stageCount = stages;
                        s.stages[0].colourOp = s.stages[0].alphaOp =
                            select ? D3DTOP_SELECTARG1 : D3DTOP_MODULATE;
                        s.stages[0].colourArg2 = s.stages[0].alphaArg2 = D3DTA_DIFFUSE;
                        s.stages[0].texels = base.get();
                        s.stages[1].colourOp = D3DTOP_MODULATE;
                        s.stages[1].alphaOp = D3DTOP_SELECTARG1;
                        s.stages[1].alphaArg1 = D3DTA_CURRENT;
                        s.stages[1].texels = light.get();
                        s.stages[0].bilinear = s.stages[1].bilinear = bilinear;
                        s.depthEnable = depth > 0;
                        s.depthWrite = depth == 1;
                        s.blend = blend > 0;
                        s.sourceBlend = blend == 2 ? D3DBLEND_ZERO : D3DBLEND_SRCALPHA;
                        s.destinationBlend = blend == 2 ? D3DBLEND_SRCCOLOR : D3DBLEND_INVSRCALPHA;
                        const SpanFunction fast = ChooseFastSpan(s);
                        ASSERT_NE(fast, nullptr) << stages << select << bilinear << depth << blend;
                        ++covered;
                        for (int trial = 0; trial < 40; ++trial) {
                            const AttributePlanes p = RandomPlanes(random);
                            Buffers a;
                            for (uint8_t& b : a.colour)
                                b = static_cast<uint8_t>(random());
                            for (uint32_t& w : a.depth)
                                w = static_cast<uint32_t>(random());
                            Buffers b = a;
                            const auto y = static_cast<int32_t>(random() % Buffers::kHeight);
                            const auto x0 = static_cast<int32_t>(random() % 20);
                            const auto x1 = x0 + static_cast<int32_t>(random() % 28);
                            fast(s, p, a.Targets(), y, x0, x1);
                            ShadeSpanGeneral(s, p, b.Targets(), y, x0, x1);
                            ASSERT_EQ(a.colour, b.colour)
                                << "state " << stages << select << bilinear << depth << blend
                                << " trial " << trial;
                            ASSERT_EQ(a.depth, b.depth);
                        }
                    }
    EXPECT_EQ(covered, 72);
}

TEST(SpanTest, StatesOutsideTheFastFamilyTakeTheGeneralLoop) {
    std::mt19937 random(9);
    const auto block = RandomBlock(random, 8, 8);
    const auto odd = RandomBlock(random, 6, 8);  // not a power of two
    PixelState s;
    s.stageCount = 1;
    s.stages[0].colourOp = s.stages[0].alphaOp = D3DTOP_MODULATE;
    s.stages[0].colourArg2 = s.stages[0].alphaArg2 = D3DTA_DIFFUSE;
    s.stages[0].texels = block.get();
    ASSERT_NE(ChooseFastSpan(s), nullptr);
    const auto slow = [&](auto change) {
        PixelState t = s;
        change(t);
        return ChooseFastSpan(t) == nullptr && ChooseSpanFunction(t) == &ShadeSpanGeneral;
    };
    EXPECT_TRUE(slow([](PixelState& t) { t.alphaTest = true; }));
    EXPECT_TRUE(slow([](PixelState& t) { t.stencilEnable = true; }));
    EXPECT_TRUE(slow([](PixelState& t) { t.depthFunc = D3DCMP_GREATER; }));
    EXPECT_TRUE(slow([](PixelState& t) { t.colourFormat = D3DFMT_R5G6B5; }));
    EXPECT_TRUE(slow([&](PixelState& t) { t.stages[0].texels = odd.get(); }));
    EXPECT_TRUE(slow([](PixelState& t) { t.stages[0].wrapU = false; }));
    EXPECT_TRUE(slow([](PixelState& t) { t.stages[0].colourOp = D3DTOP_ADD; }));
    EXPECT_TRUE(slow([](PixelState& t) {
        t.blend = true;
        t.sourceBlend = D3DBLEND_ONE;
        t.destinationBlend = D3DBLEND_ONE;
    }));
    EXPECT_TRUE(slow([](PixelState& t) { t.stageCount = 0; }));
}

}  // namespace
}  // namespace vimsa::d3d8
