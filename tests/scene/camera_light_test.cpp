#include <gtest/gtest.h>

#include <cmath>

#include "render/testing/recording_renderer.h"
#include "scene/camera.h"
#include "scene/device_lights.h"
#include "scene/graph_node.h"
#include "scene/light.h"

namespace vimsa {
namespace {

// Where a world point lands on the screen (x, y in 0..1) and at which depth.
Vector3 Project(const Camera& camera, Vector3 p) {
    const Vector4 c = TransformPoint(camera.clipMatrix, p);
    return {c.x / c.w, c.y / c.w, c.z / c.w};
}

struct CameraRig {
    Handle<GraphNode> node = MakeHandle<GraphNode>();
    Handle<Camera> camera = MakeHandle<Camera>();
    CameraRig() { node->AddObject(camera.Get()); }
};

TEST(CameraTest, DefaultProjectionMapsNearFarAndEdges) {
    CameraRig rig;
    ASSERT_TRUE(rig.camera->ComputeMatrices());
    const Vector3 nearPoint = Project(*rig.camera, {0, 0, 10});
    EXPECT_NEAR(nearPoint.x, 0.5f, 1e-6f);
    EXPECT_NEAR(nearPoint.y, 0.5f, 1e-6f);
    EXPECT_NEAR(nearPoint.z, 0.0f, 1e-6f);
    EXPECT_NEAR(Project(*rig.camera, {0, 0, 3000}).z, 1.0f, 1e-5f);
    EXPECT_NEAR(Project(*rig.camera, {10, 0, 10}).x, 1.0f, 1e-5f);
    // Vertical half-angle atan(0.75) with the 4:3 aspect.
    EXPECT_NEAR(Project(*rig.camera, {0, 7.5f, 10}).y, 1.0f, 1e-5f);
}

TEST(CameraTest, MirroredCameraFlipsX) {
    CameraRig rig;
    rig.camera->mirrored = 1;
    ASSERT_TRUE(rig.camera->ComputeMatrices());
    EXPECT_NEAR(Project(*rig.camera, {10, 0, 10}).x, 0.0f, 1e-5f);
}

TEST(CameraTest, ComputeMatricesNeedsANode) {
    Handle<Camera> loose = MakeHandle<Camera>();
    EXPECT_FALSE(loose->ComputeMatrices());
}

TEST(CameraTest, FrustumParametersAndCopies) {
    CameraRig rig;
    FrustumVolume* frustum = rig.camera->Frustum();
    ASSERT_NE(frustum, nullptr);
    rig.camera->SetFieldOfView(kPi);
    EXPECT_FLOAT_EQ(frustum->fieldOfView, 1.5707964f);
    rig.camera->SetFieldOfView(-1);
    EXPECT_FLOAT_EQ(frustum->fieldOfView, 1.5707964f);
    rig.camera->SetFieldOfView(1.0f);
    EXPECT_FLOAT_EQ(frustum->fieldOfView, 1.0f);
    rig.camera->nearPlane = 1;  // without clearing the mark nothing is pushed
    rig.camera->UpdateFrustum();
    EXPECT_FLOAT_EQ(frustum->nearPlane, 10.0f);
    rig.camera->SetNearPlane(2);
    EXPECT_FLOAT_EQ(frustum->nearPlane, 2.0f);

    Handle<Camera> copy(new Camera(*rig.camera));
    EXPECT_EQ(copy->name, "GraphObj");
    EXPECT_FLOAT_EQ(copy->nearPlane, 2.0f);
    EXPECT_FLOAT_EQ(copy->fieldOfView, 1.0f);
    EXPECT_NE(copy->Frustum(), frustum);
}

TEST(CameraTest, ViewTestAndDrawnSet) {
    CameraRig rig;
    ASSERT_TRUE(rig.camera->ComputeMatrices());
    Handle<GraphObj> ahead = MakeHandle<GraphObj>(), behind = MakeHandle<GraphObj>();
    const Matrix4 front = TranslationMatrix({0, 0, 100}), back = TranslationMatrix({0, 0, -100});
    ahead->bounds = std::make_unique<BoundingBox>(Vector3{-1, -1, -1}, Vector3{1, 1, 1});
    ahead->bounds->placement = &front;
    behind->bounds = std::make_unique<BoundingBox>(Vector3{-1, -1, -1}, Vector3{1, 1, 1});
    behind->bounds->placement = &back;
    EXPECT_TRUE(rig.camera->IsInView(ahead.Get()));
    EXPECT_FALSE(rig.camera->IsInView(behind.Get()));
    Handle<GraphObj> boundless = MakeHandle<GraphObj>();
    EXPECT_TRUE(rig.camera->IsInView(boundless.Get()));
    EXPECT_FALSE(rig.camera->IsInView(nullptr));
    behind->bounds = std::make_unique<BoundingSphere>();
    EXPECT_TRUE(rig.camera->IsInView(behind.Get()));  // no sphere test: visible

    rig.camera->AddDrawn(ahead.Get());
    EXPECT_TRUE(rig.camera->IsDrawn(ahead.Get()));
    rig.camera->ClearDrawn();
    EXPECT_FALSE(rig.camera->IsDrawn(ahead.Get()));
    EXPECT_EQ(rig.camera->drawnCount, 0);
}

TEST(LightRegistryTest, NumbersPositionsCursorAndRemoval) {
    LightRegistry::DestroyAllLights();
    Handle<Light> a = MakeHandle<AmbientLight>(), b = MakeHandle<PointLight>(),
                  c = MakeHandle<SpotLight>();
    ASSERT_EQ(LightRegistry::Count(), 3);
    EXPECT_EQ(LightRegistry::GetLight(0), a.Get());
    EXPECT_EQ(LightRegistry::GetLight(1), b.Get());
    EXPECT_EQ(LightRegistry::GetLight(2), c.Get());
    EXPECT_EQ(LightRegistry::GetLight(1), b.Get());  // a step back
    EXPECT_EQ(LightRegistry::GetLight(3), nullptr);
    b = nullptr;
    EXPECT_EQ(LightRegistry::Count(), 2);
    EXPECT_EQ(LightRegistry::GetLight(1), c.Get());
}

TEST(LightRegistryTest, DestroyAllLightsKeepsHeldLightsSafe) {
    LightRegistry::DestroyAllLights();
    Handle<GraphNode> room = MakeHandle<GraphNode>();
    room->AddObject(new PointLight);  // held only by the room
    Handle<Light> kept = MakeHandle<DirectionalLight>();
    EXPECT_EQ(LightRegistry::Count(), 2);
    LightRegistry::DestroyAllLights();
    EXPECT_EQ(LightRegistry::Count(), 0);
    EXPECT_TRUE(room->objects.empty());
    EXPECT_EQ(kept->refcount, 1);  // still usable through its handle
    EXPECT_EQ(LightRegistry::GetLight(0), nullptr);
}

TEST(LightTest, IncludeExcludeKeepBothSidesInStep) {
    Handle<GraphNode> node = MakeHandle<GraphNode>();
    Handle<Light> light = MakeHandle<PointLight>();
    EXPECT_TRUE(light->IncludeNode(node.Get()));
    EXPECT_FALSE(light->IncludeNode(node.Get()));
    EXPECT_EQ(node->includedLights.count(light.Get()), 1u);
    EXPECT_TRUE(light->ExcludeNode(node.Get()));
    EXPECT_EQ(node->includedLights.count(light.Get()), 0u);
    EXPECT_EQ(node->excludedLights.count(light.Get()), 1u);
    EXPECT_TRUE(light->IncludeNode(node.Get()));
    EXPECT_TRUE(light->excludedNodes.empty());
    node = nullptr;  // the node's destruction leaves the light with no dangling entry
    EXPECT_TRUE(light->includedNodes.empty());
}

TEST(LightTest, EffectiveLightsFlowFromTheRootDown) {
    Handle<GraphNode> root = MakeHandle<GraphNode>(), room = MakeHandle<GraphNode>(),
                      corner = MakeHandle<GraphNode>();
    root->AddChild(room.Get());
    room->AddChild(corner.Get());
    Handle<Light> sun = MakeHandle<DirectionalLight>(), lamp = MakeHandle<PointLight>();
    sun->IncludeNode(root.Get());
    lamp->IncludeNode(room.Get());
    sun->ExcludeNode(corner.Get());
    UpdateLights(corner.Get());
    EXPECT_EQ(corner->effectiveLights, (std::set<Light*>{sun.Get(), lamp.Get()}));
    EXPECT_EQ(LightsOnNode(*corner), (std::set<Light*>{lamp.Get()}));
    UpdateLights(root.Get());
    EXPECT_TRUE(root->effectiveLights.empty());
}

TEST(LightTest, PointLightFallsOffAndStopsAtItsRange) {
    PointLight light;
    light.colour = {1, 0.5f, 0.25f, 1};
    light.intensity = 2;
    light.lightPosition = {0, 50, 0};
    LitVertex v;
    v.position = {0, 0, 0};
    v.normal = {0, 1, 0};
    light.Illuminate(v);
    EXPECT_NEAR(v.colour.x, 2.0f / 50, 1e-6f);
    EXPECT_NEAR(v.colour.y, 1.0f / 50, 1e-6f);
    LitVertex far = v;
    far.colour = {};
    light.lightPosition = {0, 100, 0};
    light.Illuminate(far);
    EXPECT_EQ(far.colour, (Vector4{0, 0, 0, 0}));
    light.SetRange(0);
    EXPECT_FLOAT_EQ(light.range, 100.0f);
    light.SetRange(200);
    EXPECT_FLOAT_EQ(light.rangeSquared, 40000.0f);
    EXPECT_FLOAT_EQ(light.inverseRange, 0.005f);
    LitVertex back = far;
    back.sides = LitVertex::kBack;  // a light in front of the face lights only its front
    light.Illuminate(back);
    EXPECT_EQ(back.colour, (Vector4{0, 0, 0, 0}));
}

TEST(LightTest, DirectionalLightLightsTheSidesAsked) {
    DirectionalLight light;
    light.lightDirection = {0, -1, 0};
    LitVertex v;
    v.normal = {0, 1, 0};
    light.Illuminate(v);
    EXPECT_EQ(v.colour, (Vector4{1, 1, 1, 1}));
    LitVertex backOnly = v;
    backOnly.colour = {};
    backOnly.sides = LitVertex::kBack;
    light.Illuminate(backOnly);
    EXPECT_EQ(backOnly.colour, (Vector4{0, 0, 0, 0}));
    LitVertex underneath = backOnly;
    underneath.normal = {0, -1, 0};
    light.Illuminate(underneath);
    EXPECT_EQ(underneath.colour, (Vector4{1, 1, 1, 1}));
}

TEST(LightTest, SpotLightConeRamp) {
    SpotLight light;
    light.lightPosition = {0, 10, 0};
    light.lightDirection = {0, -1, 0};
    light.SetRange(1000);
    auto lit = [&](Vector3 position) {
        LitVertex v;
        v.position = position;
        v.normal = {0, 1, 0};
        light.Illuminate(v);
        return v.colour.x;
    };
    const float onAxis = lit({0, 0, 0});
    EXPECT_NEAR(onAxis, 0.1f, 1e-6f);
    EXPECT_EQ(lit({20, 0, 0}), 0.0f);  // beyond the 45 degree outer half-angle
    // Between the cones (30 degrees off axis): a partial ramp.
    const float between = lit({10 * std::tan(0.5236f), 0, 0});
    EXPECT_GT(between, 0.0f);
    const float full = std::cos(0.5236f) * std::cos(0.5236f) / (10 / std::cos(0.5236f));
    EXPECT_LT(between, full);
    AmbientLight ambient;
    LitVertex v;
    ambient.Illuminate(v);
    EXPECT_EQ(v.colour, (Vector4{1, 1, 1, 1}));
}

}  // namespace
}  // namespace vimsa

namespace vimsa {
namespace {

TEST(DeviceLightsTest, NodeLightingTakesAmbientAndUpToEightLights) {
    LightRegistry::DestroyAllLights();
    Handle<GraphNode> room = MakeHandle<GraphNode>();
    Handle<GraphNode> lamps = MakeHandle<GraphNode>();
    lamps->SetPosition({1, 2, 3}, RelativeTo::World());
    std::vector<Handle<Light>> lights;
    Handle<Light> ambient = MakeHandle<AmbientLight>();
    ambient->intensity = 0.5f;
    ambient->IncludeNode(room.Get());
    for (int i = 0; i < 8; ++i) {
        lights.push_back(MakeHandle<PointLight>());
        lamps->AddObject(lights.back().Get());
        lights.back()->IncludeNode(room.Get());
    }
    const LightSet lit = CollectNodeLights(*room);
    EXPECT_EQ(lit.count, 8);
    EXPECT_FALSE(lit.overflow);
    EXPECT_EQ(lit.ambient, (Vector4{0.5f, 0.5f, 0.5f, 1}));
    EXPECT_EQ(lit.lights[0].position, (Vector3{1, 2, 3}));
    EXPECT_EQ(lit.lights[0].kind, kLightPoint);

    // Renderers find these lights through the scene's gatherer.
    Handle<testing::RecordingRenderer> renderer = MakeHandle<testing::RecordingRenderer>();
    Handle<Light> ninth = MakeHandle<PointLight>();
    ninth->IncludeNode(room.Get());
    EXPECT_FALSE(renderer->SetNodeLights(room.Get()));
    ninth->enabled = 0;  // a light switched off takes no slot
    EXPECT_TRUE(renderer->SetNodeLights(room.Get()));
    EXPECT_EQ(renderer->NodeLightCount(), 8);
    EXPECT_EQ(renderer->NodeLight(0).position, (Vector3{1, 2, 3}));

    const LightSet all = CollectRegistryLights();
    EXPECT_EQ(all.count, kMaxDeviceLights);
    EXPECT_EQ(all.lights[0].kind, kLightAmbient);
    EXPECT_EQ(all.ambient, (Vector4{0.5f, 0.5f, 0.5f, 1}));
    for (auto& l : lights)
        lamps->RemoveObject(l.Get());
}

TEST(DeviceLightsTest, SpotLightsCarryTheirRangeAndBothCones) {
    Handle<SpotLight> spot = MakeHandle<SpotLight>();
    spot->SetRange(40);
    spot->SetAngles(0.3f, 0.9f);
    spot->attenuation2 = 0.5f;
    const DeviceLight device = ToDeviceLight(*spot);
    EXPECT_EQ(device.kind, kLightSpot);
    EXPECT_EQ(device.range, 40.0f);
    EXPECT_EQ(device.innerAngle, 0.3f);
    EXPECT_EQ(device.outerAngle, 0.9f);
    EXPECT_EQ(device.attenuation2, 0.5f);
}

}  // namespace
}  // namespace vimsa
