// Whole scenes drawn through the OpenGL back-end: a lit textured room, the
// view into a neighbouring room through a doorway, and a mirror.
#include <gtest/gtest.h>

#include <vector>

#include "render/render_state.h"
#include "scene/camera.h"
#include "scene/graph_portal.h"
#include "scene/light.h"
#include "scene/portal_render.h"
#include "tests/gl/gl_fixture.h"
#include "world/mesh_base.h"
#include "world/particle_syst.h"

namespace vimsa {
namespace {

using test::NearColour;
using test::Rgba;

constexpr uint32_t kWidth = 96, kHeight = 72;

// Collects quads and builds them into one mesh. Each quad's corners go round
// its edge; they are ordered so that the quad faces `towards` (the side
// drawn with back faces culled).
class MeshBuilder {
public:
    // A quad cut into n x n smaller ones: lighting is computed per vertex.
    void Panel(Vector3 a, Vector3 b, Vector3 c, Vector3 d, Vector3 towards, Vector4 colour, int n) {
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
    void Quad(Vector3 a, Vector3 b, Vector3 c, Vector3 d, Vector3 towards, Vector4 colour) {
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
    // An axis-aligned box seen from outside.
    void Box(Vector3 lo, Vector3 hi, Vector4 colour) {
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
    Handle<MeshBase> Build() const {
        Handle<MeshBase> mesh = MakeHandle<MeshBase>();
        const int32_t vertices = static_cast<int32_t>(positions_.size());
        EXPECT_EQ(mesh->Build(vertices, vertices / 4, 1, 1, positions_.data(), faces_.data(),
                              uvs_.data(), colours_.data()),
                  RESULT_OK);
        mesh->bounds = std::make_unique<BoundingBox>();
        mesh->UpdateBounds(false);
        return mesh;
    }

private:
    std::vector<Vector3> positions_;
    std::vector<Vector2> uvs_;
    std::vector<float> colours_;
    std::vector<int32_t> faces_;
};

const Vector4 kWhite{1, 1, 1, 1}, kGrey{0.5f, 0.5f, 0.5f, 1}, kRed{1, 0, 0, 1}, kGreen{0, 1, 0, 1},
    kBlue{0, 0, 1, 1}, kYellow{1, 1, 0, 1};

// A wall in the plane z = `z` spanning x -w..w, y -h..h, with a hole of
// x -hw..hw, y -hh..hh when hw > 0, facing -z.
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

class GLSceneImageTest : public test::GLFixture {
protected:
    void SetUp() override {
        GLFixture::SetUp();
        renderer_ = MakeRenderer(kWidth, kHeight);
        ASSERT_TRUE(renderer_);
        white_ = SolidTexture(*renderer_, {255, 255, 255, 255});
        renderer_->SetDefaultTexture(white_.Get());
        SetCurrentRenderer(renderer_.Get());
        LightRegistry::DestroyAllLights();
        world_->AddChild(eyeNode_.Get());
        eyeNode_->AddObject(camera_.Get());
    }
    void TearDown() override {
        for (auto& p : portals_)
            p->RemoveAllPortals();
        SetCurrentRenderer(nullptr);
        SetCurrentCamera(nullptr);
        SetPortalClipping(true);
        GLFixture::TearDown();
    }

    Handle<GraphNode> Room() {
        Handle<GraphNode> room = MakeHandle<GraphNode>();
        world_->AddChild(room.Get());
        return room;
    }
    // Full-strength ambient light, so colours come out as given.
    void Brighten(GraphNode& room, float level = 1.0f) {
        Handle<Light> ambient = MakeHandle<AmbientLight>();
        ambient->intensity = level;
        room.AddObject(ambient.Get());
        ambient->IncludeNode(&room);
    }
    void Look(GraphNode& room, Vector3 from, Vector3 direction) {
        room.AddChild(eyeNode_.Get());
        eyeNode_->SetPosition(from, RelativeTo::World());
        eyeNode_->SetOrientation(direction, {0, 1, 0}, RelativeTo::World());
        ASSERT_TRUE(camera_->ComputeMatrices());
    }
    Handle<GraphPortal> Portal(GraphNode& room, float z, Vector3 facing, Vector3 lo, Vector3 hi) {
        Handle<GraphPortal> portal = MakeHandle<GraphPortal>();
        room.AddPortal(portal.Get());
        portal->SetPosition({0, 0, z}, RelativeTo::World());
        portal->SetOrientation(facing, {0, 1, 0}, RelativeTo::World());
        portal->bounds = std::make_unique<BoundingBox>(lo, hi);
        portals_.push_back(portal);
        return portal;
    }
    // One frame as the demo draws it: stencil off, portals from the camera's room.
    void DrawFrame(bool throughPortals, bool solid = true) {
        ASSERT_TRUE(renderer_->BeginFrame());
        renderer_->Clear(kClearAll);
        renderer_->Begin3D(camera_.Get());
        renderer_->SetSolid(solid);
        renderer_->SetUseStencil(false);
        camera_->ClearDrawn();
        int32_t stats = 0;
        if (throughPortals) {
            RenderFrom(camera_.Get(), ++stamp_, stats);
        } else {
            world_->RenderAll(camera_.Get(), ++stamp_);
        }
        renderer_->EndFrame();
        ReadBack();
    }
    int Brightness(int x, int y) const {
        const Rgba c = At(x, y);
        return c[0] + c[1] + c[2];
    }

    Handle<Texture> white_;
    Handle<GraphNode> world_ = MakeHandle<GraphNode>();
    Handle<GraphNode> eyeNode_ = MakeHandle<GraphNode>();
    Handle<Camera> camera_ = MakeHandle<Camera>();
    std::vector<Handle<GraphPortal>> portals_;
    int32_t stamp_ = 0;
};

TEST_F(GLSceneImageTest, LitTexturedRoom) {
    // A room 10 wide and 20 deep, lit by a weak ambient light and a point
    // light close to the right wall. The engine's y axis points down: the
    // floor lies at y = 2, below the eye at y = -0.5.
    Handle<GraphNode> room = Room();
    Handle<Texture> checker = MakeTexture(*renderer_, 8, 8, [](uint32_t x, uint32_t y) {
        return (x / 4 + y / 4) % 2 ? Rgba{255, 255, 255, 255} : Rgba{220, 220, 220, 255};
    });
    MeshBuilder b;
    b.Panel({-5, 2, 0}, {5, 2, 0}, {5, 2, 20}, {-5, 2, 20}, {0, -1, 0}, kWhite, 8);
    b.Panel({-5, 2, 0}, {-5, -3, 0}, {-5, -3, 20}, {-5, 2, 20}, {1, 0, 0}, kWhite, 8);
    b.Panel({5, 2, 0}, {5, -3, 0}, {5, -3, 20}, {5, 2, 20}, {-1, 0, 0}, kWhite, 8);
    b.Panel({-5, 2, 20}, {5, 2, 20}, {5, -3, 20}, {-5, -3, 20}, {0, 0, -1}, kWhite, 8);
    Handle<MeshBase> walls = b.Build();
    walls->textures[0] = checker;
    room->AddObject(walls.Get());
    Brighten(*room, 0.15f);
    Handle<GraphNode> lamp = MakeHandle<GraphNode>();
    room->AddChild(lamp.Get());
    lamp->SetPosition({3.5f, -0.5f, 8}, RelativeTo::World());
    Handle<PointLight> light = MakeHandle<PointLight>();
    light->attenuation1 = 0.25f;
    light->SetRange(100);
    lamp->AddObject(light.Get());
    light->IncludeNode(room.Get());
    camera_->SetNearPlane(0.5f);
    Look(*room, {0, -0.5f, 1}, {0, 0, 1});
    DrawFrame(false);
    // The right wall, close to the light, is brighter than the left one; the
    // floor under the lamp brighter than far away in the corner.
    EXPECT_GT(Brightness(86, 36), Brightness(10, 36) + 150);
    EXPECT_GT(Brightness(80, 66), Brightness(10, 66));
    // The back wall fills the middle of the picture.
    EXPECT_FALSE(NearColour(At(48, 36), {191, 191, 191, 0}, 3));
    ExpectMatchesReference("lit_room", 12, static_cast<int>(kWidth * kHeight / 50));
}

// Room A (z < 20) holds the camera and a wall with a 12 x 12 doorway at
// z = 20; room B behind it holds a red back wall, a blue crate seen through
// the door and a yellow crate off to the side, outside the doorway's view.
// With a 90 degree view on a 96 x 72 picture, a point (x, y, z) lands on
// pixel (48 + 48 x / z, 36 - 48 y / z).
struct DoorwayScene {
    Handle<GraphNode> roomA, roomB;
    Handle<MeshBase> blue, yellow;
};

DoorwayScene BuildDoorway(Handle<GraphNode> a, Handle<GraphNode> b) {
    DoorwayScene s{a, b, nullptr, nullptr};
    MeshBuilder wall;
    WallWithHole(wall, 20, 12, 9, 6, 6, kGrey);
    Handle<MeshBase> wallMesh = wall.Build();
    a->AddObject(wallMesh.Get());
    MeshBuilder back, blue, yellow;
    WallWithHole(back, 40, 14, 14, 0, 0, kRed);
    blue.Box({-2, -2, 30}, {2, 2, 32}, kBlue);
    yellow.Box({20, -2, 30}, {23, 2, 32}, kYellow);
    s.blue = blue.Build();
    s.yellow = yellow.Build();
    Handle<MeshBase> backMesh = back.Build();
    for (MeshBase* m : {backMesh.Get(), s.blue.Get(), s.yellow.Get()})
        b->AddObject(m);
    return s;
}

TEST_F(GLSceneImageTest, ViewThroughADoorwayIsClippedToTheOpening) {
    DoorwayScene s = BuildDoorway(Room(), Room());
    Brighten(*s.roomA);
    Brighten(*s.roomB);
    Handle<GraphPortal> out = Portal(*s.roomA, 20, {0, 0, -1}, {-6, -6, 0}, {6, 6, 0});
    Handle<GraphPortal> in = Portal(*s.roomB, 20, {0, 0, 1}, {-6, -6, 0}, {6, 6, 0});
    out->AddPortal(in.Get());
    in->AddPortal(out.Get());
    Look(*s.roomA, {0, 0, 0}, {0, 0, 1});

    DrawFrame(true);
    // Through the doorway: the blue crate in the middle, the red back wall
    // beside it; around the doorway room A's grey wall.
    EXPECT_TRUE(NearColour(At(48, 36), {0, 0, 255, 0}, 8));
    EXPECT_TRUE(NearColour(At(48 + 8, 36), {255, 0, 0, 0}, 8));
    EXPECT_TRUE(NearColour(At(48, 36 - 20), {128, 128, 128, 0}, 8));
    // The yellow crate lies outside the doorway's planes: not drawn, the
    // background shows where it would be, beside room A's wall.
    const int yellowX = 81;
    EXPECT_TRUE(NearColour(At(yellowX, 36), {191, 191, 191, 0}, 3));
    ExpectMatchesReference("portal_view", 12, static_cast<int>(kWidth * kHeight / 50));

    // Without portal clipping the crate is drawn (only the frustum culls).
    SetPortalClipping(false);
    DrawFrame(true);
    EXPECT_TRUE(NearColour(At(yellowX, 36), {255, 255, 0, 0}, 8));
}

TEST_F(GLSceneImageTest, MirrorShowsItsRoomReflected) {
    // A wall at z = 15 with a 12 x 9 mirror in it, facing the camera; a red
    // crate behind the camera and a green one beside the camera's line of sight.
    Handle<GraphNode> room = Room();
    Brighten(*room);
    MeshBuilder wall, red, green;
    WallWithHole(wall, 15, 14, 10, 6, 4.5f, kGrey);
    red.Box({-3, -3, -6}, {3, 3, -4}, kRed);
    green.Box({4, -1, 9}, {5, 0, 10}, kGreen);
    Handle<MeshBase> meshes[3] = {wall.Build(), red.Build(), green.Build()};
    for (auto& m : meshes)
        room->AddObject(m.Get());
    Handle<GraphPortal> mirror = Portal(*room, 15, {0, 0, -1}, {-6, -4.5f, 0}, {6, 4.5f, 0});
    mirror->portalKind = GraphPortal::kMirror;
    mirror->hasMirrorMatrix = 1;
    mirror->mirrorMatrix = ScaleMatrix(1, 1, -1);
    Look(*room, {0, 0, 0}, {0, 0, 1});

    DrawFrame(true);
    // The red crate behind the camera appears in the middle of the mirror.
    EXPECT_TRUE(NearColour(At(48, 36), {255, 0, 0, 0}, 8));
    // The wall around the mirror is grey. The green crate, too close to be
    // seen directly (the near plane lies 10 ahead), shows in the mirror at
    // its reflected distance of 20.5.
    EXPECT_TRUE(NearColour(At(48, 36 - 25), {128, 128, 128, 0}, 8));
    EXPECT_TRUE(NearColour(At(58, 35), {0, 255, 0, 0}, 8));
    ExpectMatchesReference("mirror_view", 12, static_cast<int>(kWidth * kHeight / 50));

    // Mirrors switched off: the opening shows the background instead.
    mirror->SetActive(false);
    DrawFrame(true);
    EXPECT_TRUE(NearColour(At(48, 36), {191, 191, 191, 0}, 3));
}

TEST_F(GLSceneImageTest, SpotLightsWhatItPointsAtAndPointLightFadesWithDistance) {
    // A white wall 19 ahead of the eye: x on the wall lands on pixel
    // 48 + 48 x / 19. A spot 8 in front of the wall points at x = -3 with a
    // cone of 0.6 radians; a point light hangs 1 in front of it at x = 4.
    Handle<GraphNode> room = Room();
    MeshBuilder b;
    b.Panel({-10, -8, 20}, {10, -8, 20}, {10, 8, 20}, {-10, 8, 20}, {0, 0, -1}, kWhite, 24);
    Handle<MeshBase> wall = b.Build();
    room->AddObject(wall.Get());
    Brighten(*room, 0.1f);
    auto hang = [&](Handle<Light> light, Vector3 at) {
        Handle<GraphNode> lamp = MakeHandle<GraphNode>();
        room->AddChild(lamp.Get());
        lamp->SetPosition(at, RelativeTo::World());
        lamp->SetOrientation({0, 0, 1}, {0, 1, 0}, RelativeTo::World());
        lamp->AddObject(light.Get());
        light->IncludeNode(room.Get());
    };
    Handle<SpotLight> spot = MakeHandle<SpotLight>();
    spot->SetAngles(0.3f, 0.6f);
    spot->attenuation0 = 1;
    spot->attenuation1 = 0;
    Handle<PointLight> point = MakeHandle<PointLight>();
    point->attenuation0 = 0;
    point->attenuation1 = 1;
    hang(spot, {-3, 0, 12});
    hang(point, {4, 0, 19});
    Look(*room, {0, 0, 1}, {0, 0, 1});
    const int target = 40, beside = 56, above = 24;

    point->enabled = 0;
    DrawFrame(false);
    EXPECT_GT(Brightness(target, 36), 3 * 200);  // in the cone: near full light
    EXPECT_LT(Brightness(beside, 36), 3 * 40);   // outside: the ambient light only
    EXPECT_LT(Brightness(target, above), 3 * 40);

    point->enabled = 1;
    spot->enabled = 0;
    DrawFrame(false);
    const int near = Brightness(58, 36), middle = Brightness(53, 36), far = Brightness(target, 36);
    EXPECT_GT(near, middle + 30);
    EXPECT_GT(middle, far + 30);
}

TEST_F(GLSceneImageTest, WireFrameStaysOnAfterAShownBoundingBox) {
    // The room's box is drawn between its own objects and its children's:
    // the wall behind it must still come out as an outline.
    Handle<GraphNode> room = Room();
    Brighten(*room);
    MeshBuilder wall, crate;
    WallWithHole(wall, 15, 14, 10, 0, 0, kGrey);
    crate.Box({-1, -1, 11}, {1, 1, 12}, kYellow);
    Handle<MeshBase> wallMesh = wall.Build(), boxMesh = crate.Build();
    room->bounds->debugMesh = boxMesh;
    room->bounds->drawEnabled = 1;
    Handle<GraphNode> wallNode = MakeHandle<GraphNode>();
    room->AddChild(wallNode.Get());
    wallNode->AddObject(wallMesh.Get());
    Look(*room, {0, 0, 0}, {0, 0, 1});

    DrawFrame(false, false);
    EXPECT_FALSE(renderer_->IsSolid());
    // Away from the wall's edges and the box, the background shows.
    EXPECT_TRUE(NearColour(At(20, 20), {191, 191, 191, 0}, 3));
    DrawFrame(false, true);
    EXPECT_TRUE(NearColour(At(20, 20), {128, 128, 128, 0}, 8));
}

TEST_F(GLSceneImageTest, FountainAndShownBoxSeenOnlyInAMirror) {
    // Behind the camera stand a fountain and the room's own bounding box,
    // shown: both reach the picture only through the mirror ahead. The
    // fountain keeps the camera it was drawn with, and the room's box is
    // drawn right after the mirror pass; neither may meet the reflected eye
    // once that pass is over (the sanitizer build checks).
    Handle<GraphNode> room = Room();
    Brighten(*room);
    MeshBuilder wall, crate;
    WallWithHole(wall, 15, 14, 10, 6, 4.5f, kGrey);
    crate.Box({1, -2, -6}, {5, 2, -4}, kYellow);
    Handle<MeshBase> wallMesh = wall.Build(), boxMesh = crate.Build();
    Handle<GraphNode> wallNode = MakeHandle<GraphNode>();
    room->AddChild(wallNode.Get());
    wallNode->AddObject(wallMesh.Get());
    Handle<GraphPortal> mirror = Portal(*room, 15, {0, 0, -1}, {-6, -4.5f, 0}, {6, 4.5f, 0});
    mirror->portalKind = GraphPortal::kMirror;
    mirror->hasMirrorMatrix = 1;
    mirror->mirrorMatrix = ScaleMatrix(1, 1, -1);
    room->bounds->debugMesh = boxMesh;
    room->bounds->drawEnabled = 1;
    room->bounds->drawWireframe = 0;

    Handle<GraphNode> fountainNode = MakeHandle<GraphNode>();
    room->AddChild(fountainNode.Get());
    fountainNode->SetPosition({-2, 0, -5}, RelativeTo::World());
    Handle<ParticleSyst> fountain = MakeHandle<ParticleSyst>();
    ASSERT_EQ(fountain->SetCount(16), RESULT_OK);
    fountainNode->AddObject(fountain.Get());
    Look(*room, {0, 0, 0}, {0, 0, 1});

    for (uint32_t frame = 0; frame < 3; ++frame) {
        fountain->Update(frame * 40);
        DrawFrame(true);
    }
    // The box shows in the mirror, right of centre, as the green crate did.
    EXPECT_TRUE(NearColour(At(52, 36), {255, 255, 0, 0}, 8));
}

}  // namespace
}  // namespace vimsa
