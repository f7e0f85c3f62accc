#include "tests/support/test_scenes.h"

#include <memory>
#include <utility>

#include "render/render_state.h"
#include "scene/light.h"
#include "scene/portal_render.h"
#include "tests/render/draw_helpers.h"

namespace vimsa::test {

void MeshBuilder::Panel(Vector3 a, Vector3 b, Vector3 c, Vector3 d, Vector3 towards, Vector4 colour,
                        int n) {
    auto at = [&](float u, float v) {
        return a + (b - a) * u + (d - a) * v + (c - b - (d - a)) * (u * v);
    };
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const float u0 = float(i) / n, u1 = float(i + 1) / n, v0 = float(j) / n,
                        v1 = float(j + 1) / n;
            Quad(at(u0, v0), at(u1, v0), at(u1, v1), at(u0, v1), towards, colour);
        }
    }
}

void MeshBuilder::Quad(Vector3 a, Vector3 b, Vector3 c, Vector3 d, Vector3 towards,
                       Vector4 colour) {
    if (Dot(Cross(b - a, c - b), towards) < 0) std::swap(b, d);
    const int32_t base = static_cast<int32_t>(positions_.size());
    for (const Vector3& p : {a, b, c, d}) {
        positions_.push_back(p);
        for (float f : {colour.x, colour.y, colour.z, colour.w})
            colours_.push_back(f);
    }
    const Vector2 uv[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    for (const Vector2& t : uv)
        uvs_.push_back(t);
    for (int32_t k = 0; k < 4; ++k)
        faces_.push_back(base + k);
}

void MeshBuilder::Box(Vector3 lo, Vector3 hi, Vector4 colour) {
    const Vector3 c[8] = {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z},
                          {lo.x, hi.y, lo.z}, {lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z},
                          {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}};
    Quad(c[0], c[1], c[2], c[3], {0, 0, -1}, colour);
    Quad(c[4], c[5], c[6], c[7], {0, 0, 1}, colour);
    Quad(c[0], c[1], c[5], c[4], {0, -1, 0}, colour);
    Quad(c[3], c[2], c[6], c[7], {0, 1, 0}, colour);
    Quad(c[0], c[3], c[7], c[4], {-1, 0, 0}, colour);
    Quad(c[1], c[2], c[6], c[5], {1, 0, 0}, colour);
}

Handle<MeshBase> MeshBuilder::Build() const {
    Handle<MeshBase> mesh = MakeHandle<MeshBase>();
    const int32_t vertices = static_cast<int32_t>(positions_.size());
    EXPECT_EQ(mesh->Build(vertices, vertices / 4, 1, 1, positions_.data(), faces_.data(),
                          uvs_.data(), colours_.data()),
              RESULT_OK);
    mesh->bounds = std::make_unique<BoundingBox>();
    mesh->UpdateBounds(false);
    return mesh;
}

void WallWithHole(MeshBuilder& b, float z, float w, float h, float hw, float hh, Vector4 colour) {
    const Vector3 facing{0, 0, -1};
    if (hw <= 0) {
        b.Quad({-w, -h, z}, {w, -h, z}, {w, h, z}, {-w, h, z}, facing, colour);
        return;
    }
    b.Quad({-w, -h, z}, {-hw, -h, z}, {-hw, h, z}, {-w, h, z}, facing, colour);
    b.Quad({hw, -h, z}, {w, -h, z}, {w, h, z}, {hw, h, z}, facing, colour);
    b.Quad({-hw, hh, z}, {hw, hh, z}, {hw, h, z}, {-hw, h, z}, facing, colour);
    b.Quad({-hw, -h, z}, {hw, -h, z}, {hw, -hh, z}, {-hw, -hh, z}, facing, colour);
}

SceneStage::SceneStage() {
    LightRegistry::DestroyAllLights();
    world_->AddChild(eyeNode_.Get());
    eyeNode_->AddObject(camera_.Get());
}

SceneStage::~SceneStage() {
    for (auto& p : portals_)
        p->RemoveAllPortals();
    SetCurrentRenderer(nullptr);
    SetCurrentCamera(nullptr);
    SetPortalClipping(true);
}

Handle<GraphNode> SceneStage::Room() {
    Handle<GraphNode> room = MakeHandle<GraphNode>();
    world_->AddChild(room.Get());
    return room;
}

void SceneStage::Brighten(GraphNode& room, float level) {
    Handle<Light> ambient = MakeHandle<AmbientLight>();
    ambient->intensity = level;
    room.AddObject(ambient.Get());
    ambient->IncludeNode(&room);
}

void SceneStage::Look(GraphNode& room, Vector3 from, Vector3 direction) {
    room.AddChild(eyeNode_.Get());
    eyeNode_->SetPosition(from, RelativeTo::World());
    eyeNode_->SetOrientation(direction, {0, 1, 0}, RelativeTo::World());
    ASSERT_TRUE(camera_->ComputeMatrices());
}

Handle<GraphPortal> SceneStage::Portal(GraphNode& room, float z, Vector3 facing, Vector3 lo,
                                       Vector3 hi) {
    Handle<GraphPortal> portal = MakeHandle<GraphPortal>();
    room.AddPortal(portal.Get());
    portal->SetPosition({0, 0, z}, RelativeTo::World());
    portal->SetOrientation(facing, {0, 1, 0}, RelativeTo::World());
    portal->bounds = std::make_unique<BoundingBox>(lo, hi);
    portals_.push_back(portal);
    return portal;
}

void SceneStage::DrawFrame(Renderer& renderer, bool throughPortals, bool solid) {
    SetCurrentRenderer(&renderer);
    ASSERT_TRUE(renderer.BeginFrame());
    renderer.Clear(kClearAll);
    renderer.Begin3D(camera_.Get());
    renderer.SetSolid(solid);
    renderer.SetUseStencil(false);
    camera_->ClearDrawn();
    int32_t stats = 0;
    if (throughPortals) {
        RenderFrom(camera_.Get(), ++stamp_, stats);
    } else {
        world_->RenderAll(camera_.Get(), ++stamp_);
    }
    renderer.EndFrame();
}

void BuildLitRoom(SceneStage& stage, Renderer& renderer) {
    Handle<GraphNode> room = stage.Room();
    Handle<Texture> checker = MakeTexture(renderer, 8, 8, [](uint32_t x, uint32_t y) {
        return (x / 4 + y / 4) % 2 ? Rgba{255, 255, 255, 255} : Rgba{220, 220, 220, 255};
    });
    MeshBuilder b;
    b.Panel({-5, 2, 0}, {5, 2, 0}, {5, 2, 20}, {-5, 2, 20}, {0, -1, 0}, kSceneWhite, 8);
    b.Panel({-5, 2, 0}, {-5, -3, 0}, {-5, -3, 20}, {-5, 2, 20}, {1, 0, 0}, kSceneWhite, 8);
    b.Panel({5, 2, 0}, {5, -3, 0}, {5, -3, 20}, {5, 2, 20}, {-1, 0, 0}, kSceneWhite, 8);
    b.Panel({-5, 2, 20}, {5, 2, 20}, {5, -3, 20}, {-5, -3, 20}, {0, 0, -1}, kSceneWhite, 8);
    Handle<MeshBase> walls = b.Build();
    walls->textures[0] = checker;
    room->AddObject(walls.Get());
    stage.Brighten(*room, 0.15f);
    Handle<GraphNode> lamp = MakeHandle<GraphNode>();
    room->AddChild(lamp.Get());
    lamp->SetPosition({3.5f, -0.5f, 8}, RelativeTo::World());
    Handle<PointLight> light = MakeHandle<PointLight>();
    light->attenuation1 = 0.25f;
    light->SetRange(100);
    lamp->AddObject(light.Get());
    light->IncludeNode(room.Get());
    stage.GetCamera().SetNearPlane(0.5f);
    stage.Look(*room, {0, -0.5f, 1}, {0, 0, 1});
}

DoorwayScene BuildDoorway(Handle<GraphNode> a, Handle<GraphNode> b) {
    DoorwayScene s{a, b, nullptr, nullptr};
    MeshBuilder wall;
    WallWithHole(wall, 20, 12, 9, 6, 6, kSceneGrey);
    Handle<MeshBase> wallMesh = wall.Build();
    a->AddObject(wallMesh.Get());
    MeshBuilder back, blue, yellow;
    WallWithHole(back, 40, 14, 14, 0, 0, kSceneRed);
    blue.Box({-2, -2, 30}, {2, 2, 32}, kSceneBlue);
    yellow.Box({20, -2, 30}, {23, 2, 32}, kSceneYellow);
    s.blue = blue.Build();
    s.yellow = yellow.Build();
    Handle<MeshBase> backMesh = back.Build();
    for (MeshBase* m : {backMesh.Get(), s.blue.Get(), s.yellow.Get()})
        b->AddObject(m);
    return s;
}

DoorwayScene BuildPortalView(SceneStage& stage) {
    DoorwayScene s = BuildDoorway(stage.Room(), stage.Room());
    stage.Brighten(*s.roomA);
    stage.Brighten(*s.roomB);
    Handle<GraphPortal> out = stage.Portal(*s.roomA, 20, {0, 0, -1}, {-6, -6, 0}, {6, 6, 0});
    Handle<GraphPortal> in = stage.Portal(*s.roomB, 20, {0, 0, 1}, {-6, -6, 0}, {6, 6, 0});
    out->AddPortal(in.Get());
    in->AddPortal(out.Get());
    stage.Look(*s.roomA, {0, 0, 0}, {0, 0, 1});
    return s;
}

Handle<GraphPortal> BuildMirrorRoom(SceneStage& stage) {
    Handle<GraphNode> room = stage.Room();
    stage.Brighten(*room);
    MeshBuilder wall, red, green;
    WallWithHole(wall, 15, 14, 10, 6, 4.5f, kSceneGrey);
    red.Box({-3, -3, -6}, {3, 3, -4}, kSceneRed);
    green.Box({4, -1, 9}, {5, 0, 10}, kSceneGreen);
    Handle<MeshBase> meshes[3] = {wall.Build(), red.Build(), green.Build()};
    for (auto& m : meshes)
        room->AddObject(m.Get());
    Handle<GraphPortal> mirror = stage.Portal(*room, 15, {0, 0, -1}, {-6, -4.5f, 0}, {6, 4.5f, 0});
    mirror->portalKind = GraphPortal::kMirror;
    mirror->hasMirrorMatrix = 1;
    mirror->mirrorMatrix = ScaleMatrix(1, 1, -1);
    stage.Look(*room, {0, 0, 0}, {0, 0, 1});
    return mirror;
}

LitWall BuildSpotAndPointLitWall(SceneStage& stage) {
    Handle<GraphNode> room = stage.Room();
    MeshBuilder b;
    b.Panel({-10, -8, 20}, {10, -8, 20}, {10, 8, 20}, {-10, 8, 20}, {0, 0, -1}, kSceneWhite, 24);
    Handle<MeshBase> wall = b.Build();
    room->AddObject(wall.Get());
    stage.Brighten(*room, 0.1f);
    auto hang = [&](Handle<Light> light, Vector3 at) {
        Handle<GraphNode> lamp = MakeHandle<GraphNode>();
        room->AddChild(lamp.Get());
        lamp->SetPosition(at, RelativeTo::World());
        lamp->SetOrientation({0, 0, 1}, {0, 1, 0}, RelativeTo::World());
        lamp->AddObject(light.Get());
        light->IncludeNode(room.Get());
    };
    LitWall lit{MakeHandle<SpotLight>(), MakeHandle<PointLight>()};
    lit.spot->SetAngles(0.3f, 0.6f);
    lit.spot->attenuation0 = 1;
    lit.spot->attenuation1 = 0;
    lit.point->attenuation0 = 0;
    lit.point->attenuation1 = 1;
    hang(lit.spot, {-3, 0, 12});
    hang(lit.point, {4, 0, 19});
    stage.Look(*room, {0, 0, 1}, {0, 0, 1});
    return lit;
}

}  // namespace vimsa::test
