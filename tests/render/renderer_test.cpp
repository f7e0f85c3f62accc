// The shared parts of the renderer interface, through the recording renderer.
#include "render/renderer.h"

#include <gtest/gtest.h>

#include "render/render_state.h"
#include "render/testing/recording_renderer.h"
#include "render/texture.h"

namespace vimsa {
namespace {

using testing::RecordingRenderer;

TEST(RendererTest, VertexPoolHandsOutItsCapacityThenNull) {
    RecordingRenderer r;
    EXPECT_EQ(r.FirstVertex(), nullptr);  // no pool yet
    ASSERT_EQ(r.CreateVertexPool(3), RESULT_OK);
    ScreenVertex* first = r.FirstVertex();
    ASSERT_NE(first, nullptr);
    ScreenVertex* second = r.NextVertex();
    ScreenVertex* third = r.NextVertex();
    EXPECT_EQ(second, first + 1);
    EXPECT_EQ(third, first + 2);
    EXPECT_EQ(r.NextVertex(), nullptr);
    EXPECT_EQ(r.NextVertex(), nullptr);
    EXPECT_EQ(r.Pool()->count, 3u);
    EXPECT_EQ(r.FirstVertex(), first);  // rewinds

    ASSERT_EQ(r.CreateVertexPool(1), RESULT_OK);  // replaces the old pool
    EXPECT_NE(r.FirstVertex(), nullptr);
    EXPECT_EQ(r.NextVertex(), nullptr);
    r.FreeVertexPool();
    EXPECT_EQ(r.FirstVertex(), nullptr);
}

TEST(RendererTest, DrawVertexBatchSendsPoolVerticesBetweenPrimitiveCalls) {
    RecordingRenderer r;
    ASSERT_EQ(r.CreateVertexPool(8), RESULT_OK);
    ScreenVertex* v = r.FirstVertex();
    for (int i = 0; i < 4; ++i) {
        v->position = {float(i), float(10 * i), 0, 1};
        v = r.NextVertex();
    }
    r.ClearCalls();
    r.DrawVertexBatch(kPrimitivePolygon, 4, 1, 1);
    const std::string log = r.Log();
    EXPECT_EQ(r.Count("EmitVertex"), 4u);
    EXPECT_EQ(r.Count("BeginPolygon"), 1u);
    EXPECT_EQ(r.Count("EndPolygon"), 1u);
    const auto emitted = r.CallsNamed("EmitVertex");
    EXPECT_EQ(emitted[3].args[0], "3");
    EXPECT_EQ(emitted[3].args[1], "30");
    EXPECT_LT(log.find("BeginPolygon"), log.find("EmitVertex"));
    EXPECT_GT(log.find("EndPolygon"), log.rfind("EmitVertex"));

    r.ClearCalls();
    r.DrawVertexBatch(kPrimitiveStrip, 20, 1, 1);  // more than the pool holds
    EXPECT_EQ(r.Count("BeginStrip"), 1u);
    EXPECT_EQ(r.Count("EmitVertex"), 8u);
    r.ClearCalls();
    r.DrawVertexBatch(7, 2, 1, 1);  // unknown kind: no primitive
    EXPECT_EQ(r.Count("BeginPolygon") + r.Count("BeginStrip"), 0u);
}

TEST(RendererTest, Begin2DSwitchesLightingOffAndLoadsIdentities) {
    RecordingRenderer r;
    r.Begin2D();
    const std::string identity = "{1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1}";
    EXPECT_EQ(r.Log(), "Begin2D()\nEnableLighting(false)\nSetOrtho()\nSetViewMatrix(" + identity +
                           ", " + identity + ")\n");
}

TEST(RendererTest, ReloadIsUnloadThenUpload) {
    RecordingRenderer r;
    Handle<Texture> t = r.NewTexture();
    EXPECT_EQ(r.ReloadTexture(t.Get()), ERR_GL_TEXTURE_NO_PIXELS);
    EXPECT_EQ(r.Count("UnloadTexture"), 1u);
    EXPECT_EQ(r.Count("UploadTexture"), 1u);
    r.ClearCalls();
    EXPECT_EQ(r.ReloadTexture(nullptr), ERR_GL_TEXTURE);
    EXPECT_EQ(r.Count("UploadTexture"), 0u);  // the failed unload stops it
}

TEST(RendererTest, BindingRulesOfTheSharedStageRecord) {
    RecordingRenderer r;
    render_state::ClearBoundTextures();
    Handle<Texture> white = r.NewTexture();
    Handle<Texture> wall = r.NewTexture();
    ASSERT_EQ(white->Create("white", 1, 1, kFormat0888), RESULT_OK);
    ASSERT_EQ(wall->Create("wall", 1, 1, kFormat0888), RESULT_OK);
    EXPECT_EQ(r.BindTexture(0, wall.Get()), ERR_GL_TEXTURE_NOT_LOADED);
    ASSERT_EQ(r.UploadTexture(white.Get()), RESULT_OK);
    ASSERT_EQ(r.UploadTexture(wall.Get()), RESULT_OK);
    r.SetDefaultTexture(white.Get());

    EXPECT_EQ(r.BindTexture(0, nullptr), RESULT_OK);
    EXPECT_EQ(render_state::BoundTexture(0), white.Get());
    EXPECT_EQ(r.BindTexture(1, wall.Get()), RESULT_OK);
    EXPECT_EQ(r.BindTexture(1, nullptr), RESULT_OK);
    EXPECT_EQ(render_state::BoundTexture(1), nullptr);
    EXPECT_EQ(r.BindTexture(9, wall.Get()), ERR_OUT_OF_RANGE);
}

TEST(RendererTest, CurrentRendererIsClearedWhenItDies) {
    auto* r = new RecordingRenderer;
    Handle<Renderer> held(r);
    SetCurrentRenderer(r);
    EXPECT_EQ(CurrentRenderer(), r);
    held.Reset();
    EXPECT_EQ(CurrentRenderer(), nullptr);
}

TEST(RendererTest, StencilSwitchAndFrameStatistics) {
    RecordingRenderer r;
    EXPECT_TRUE(r.UsesStencil());
    r.SetUseStencil(false);
    EXPECT_FALSE(r.UsesStencil());
    render_state::ResetFrameStatistics();
    render_state::AddDrawnGeometry(12, 8);
    render_state::AddDrawnGeometry(2, 4);
    EXPECT_EQ(render_state::DrawnFaces(), 14u);
    EXPECT_EQ(render_state::DrawnPoints(), 12u);
    render_state::ResetFrameStatistics();
    EXPECT_EQ(render_state::DrawnFaces(), 0u);
}

TEST(RendererTest, RecordedArgumentsAreReadable) {
    RecordingRenderer r;
    MeshVertex vertices[3];
    const uint16_t indices[3] = {0, 1, 2};
    r.DrawIndexed(vertices, 3, indices, 1);
    r.SetPerspective(1.5f, 10.0f, 3000.0f);
    r.SetViewMatrix(nullptr, nullptr);
    const auto calls = r.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].args[0], testing::ArgText(static_cast<const void*>(vertices)));
    EXPECT_EQ(calls[0].args[3], "1");
    EXPECT_EQ(calls[1].ToString(), "SetPerspective(1.5, 10, 3000)");
    EXPECT_EQ(calls[2].ToString(), "SetViewMatrix(null, null)");
}

}  // namespace
}  // namespace vimsa
