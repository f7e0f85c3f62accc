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
    r.DrawVertexBatch(static_cast<PrimitiveKind>(7), 2, 1, 1);  // unknown kind: no primitive
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

TEST(RendererTest, TextureRulesAskTheDeviceOnlyWhenThereIsWork) {
    RecordingRenderer r;
    render_state::ClearBoundTextures();
    Handle<Texture> white = r.NewTexture();
    Handle<Texture> wall = r.NewTexture();
    EXPECT_EQ(r.UploadTexture(nullptr), ERR_GL_TEXTURE);
    EXPECT_EQ(r.UploadTexture(wall.Get()), ERR_GL_TEXTURE_NO_PIXELS);
    ASSERT_EQ(white->Create("white", 1, 1, kFormat0888), RESULT_OK);
    ASSERT_EQ(wall->Create("wall", 1, 1, kFormat0888), RESULT_OK);
    EXPECT_EQ(r.BindTexture(0, wall.Get()), ERR_GL_TEXTURE_NOT_LOADED);
    ASSERT_EQ(r.UploadTexture(white.Get()), RESULT_OK);
    ASSERT_EQ(r.UploadTexture(wall.Get()), RESULT_OK);
    ASSERT_EQ(r.UploadTexture(wall.Get()), RESULT_OK);  // already there
    EXPECT_EQ(r.Count("CreateDeviceTexture"), 2u);
    r.SetDefaultTexture(white.Get());

    // Null on stage 0 is the default texture; the same texture again, or
    // null where nothing is bound, does not reach the device.
    EXPECT_EQ(r.BindTexture(0, nullptr), RESULT_OK);
    EXPECT_EQ(render_state::BoundTexture(0), white.Get());
    EXPECT_EQ(r.BindTexture(0, white.Get()), RESULT_OK);
    EXPECT_EQ(r.BindTexture(1, wall.Get()), RESULT_OK);
    EXPECT_EQ(r.BindTexture(1, nullptr), RESULT_OK);
    EXPECT_EQ(r.BindTexture(1, nullptr), RESULT_OK);
    EXPECT_EQ(render_state::BoundTexture(1), nullptr);
    const auto bound = r.CallsNamed("BindDeviceTexture");
    ASSERT_EQ(bound.size(), 3u);
    EXPECT_EQ(bound[2].ToString(), "BindDeviceTexture(1, null)");
    EXPECT_EQ(r.BindTexture(9, wall.Get()), ERR_OUT_OF_RANGE);
    EXPECT_EQ(r.BindTexture(-1, wall.Get()), ERR_OUT_OF_RANGE);

    ASSERT_EQ(r.UnloadTexture(wall.Get()), RESULT_OK);
    ASSERT_EQ(r.UnloadTexture(wall.Get()), RESULT_OK);  // nothing left to free
    EXPECT_EQ(r.Count("DeleteDeviceTexture"), 1u);
    EXPECT_FALSE(wall->Uploaded());
}

TEST(RendererTest, LightLoadsFillEverySlotOnce) {
    RecordingRenderer r;
    LightSet lights;
    lights.ambient = {0.25f, 0.5f, 0.75f, 1};
    DeviceLight ambient, spot, off;
    ambient.kind = kLightAmbient;
    spot.kind = kLightSpot;
    off.on = false;
    for (const DeviceLight& l : {ambient, spot, off})
        lights.Add(l);

    // Scene lights: ambient ones give no device light; lights that are off
    // keep their slot, switched off; empty slots are switched off.
    r.LoadLights(lights);
    auto loaded = r.CallsNamed("LoadDeviceLight");
    ASSERT_EQ(loaded.size(), 8u);
    EXPECT_EQ(loaded[0].ToString(), "LoadDeviceLight(0, 3)");
    EXPECT_EQ(loaded[1].ToString(), "LoadDeviceLight(1, 2, off)");
    EXPECT_EQ(loaded[2].ToString(), "LoadDeviceLight(2, null)");
    EXPECT_EQ(r.CallsNamed("LoadAmbientLight")[0].ToString(),
              "LoadAmbientLight(0.25, 0.5, 0.75, 1)");
    EXPECT_EQ(r.CallsNamed("EnableLighting").back().args[0], "true");

    // Node lights: all slots emptied, then only the lights that are on.
    r.ClearCalls();
    EXPECT_TRUE(r.LoadNodeLights(lights));
    loaded = r.CallsNamed("LoadDeviceLight");
    ASSERT_EQ(loaded.size(), 9u);
    EXPECT_EQ(loaded[8].ToString(), "LoadDeviceLight(0, 3)");
    EXPECT_EQ(r.NodeLightCount(), 1);

    // A ninth light that is on does not fit.
    LightSet many;
    for (int i = 0; i < kMaxDeviceLights; ++i)
        many.Add(spot);
    EXPECT_TRUE(r.LoadNodeLights(many));
    many.Add(spot);
    EXPECT_TRUE(many.overflow);
    EXPECT_FALSE(r.LoadNodeLights(many));
    EXPECT_EQ(r.NodeLightCount(), kMaxDeviceLights);
}

TEST(RendererTest, FillModeAndColourOrderFollowTheLiveRenderer) {
    EXPECT_FALSE(RendererIsOpenGL());  // the default, with no renderer
    Handle<RecordingRenderer> older = MakeHandle<RecordingRenderer>();
    EXPECT_TRUE(RendererIsOpenGL());
    EXPECT_TRUE(older->IsSolid());
    older->SetSolid(false);
    EXPECT_FALSE(older->IsSolid());
    SetRendererIsOpenGL(false, older.Get());  // as a Direct3D renderer sets it
    Handle<RecordingRenderer> newer = MakeHandle<RecordingRenderer>();
    older = nullptr;  // a renderer that no longer set the order leaves it
    EXPECT_TRUE(RendererIsOpenGL());
    newer = nullptr;
    EXPECT_FALSE(RendererIsOpenGL());
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
