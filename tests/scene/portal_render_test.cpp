#include <gtest/gtest.h>

#include <tuple>

#include "render/render_state.h"
#include "render/testing/recording_renderer.h"
#include "scene/camera.h"
#include "scene/graph_portal.h"
#include "scene/portal_render.h"
#include "scene_test_support.h"

namespace vimsa {
namespace {

using testing::RecordingRenderer;
using testing::TriangleSoup;

// Counts draws per object through TriangleSoup::drawCount.
Handle<TriangleSoup> Crate(Vector3 lo, Vector3 hi) {
    Handle<TriangleSoup> soup =
        MakeHandle<TriangleSoup>(std::vector<Vector3>{lo, {hi.x, lo.y, lo.z}, hi});
    soup->bounds = std::make_unique<BoundingBox>(lo, hi);
    return soup;
}

// Two rooms joined by a doorway in the plane z = 20 (opening x, y in -2..2):
// the camera stands in room A at the origin looking along +z into room B.
struct Level {
    Handle<RecordingRenderer> renderer = MakeHandle<RecordingRenderer>();
    Handle<GraphNode> world = MakeHandle<GraphNode>();
    Handle<GraphNode> roomA = MakeHandle<GraphNode>(), roomB = MakeHandle<GraphNode>();
    Handle<GraphPortal> doorA = MakeHandle<GraphPortal>(), doorB = MakeHandle<GraphPortal>();
    Handle<GraphNode> eyeNode = MakeHandle<GraphNode>();
    Handle<Camera> camera = MakeHandle<Camera>();
    int32_t stamp = 0;

    Level() {
        SetCurrentRenderer(renderer.Get());
        world->AddChild(roomA.Get());
        world->AddChild(roomB.Get());
        Place(doorA, roomA, -1);
        Place(doorB, roomB, +1);
        doorA->AddPortal(doorB.Get());
        doorB->AddPortal(doorA.Get());
        roomA->AddChild(eyeNode.Get());
        eyeNode->AddObject(camera.Get());
        camera->ComputeMatrices();
    }
    ~Level() {
        doorA->RemoveAllPortals();
        doorB->RemoveAllPortals();
        SetCurrentRenderer(nullptr);
        SetPortalClipping(true);
    }
    // The portal faces into its own room: -z for room A, +z for room B.
    static void Place(Handle<GraphPortal>& door, Handle<GraphNode>& room, float facing) {
        room->AddPortal(door.Get());
        door->SetPosition({0, 0, 20}, RelativeTo::World());
        door->SetOrientation({0, 0, facing}, {0, 1, 0}, RelativeTo::World());
        door->bounds = std::make_unique<BoundingBox>(Vector3{-2, -2, 0}, Vector3{2, 2, 0});
    }
    int32_t Render() {
        camera->ClearDrawn();
        int32_t stats = 0;
        return RenderFrom(camera.Get(), ++stamp, stats);
    }
    void MoveEye(Vector3 p) {
        eyeNode->SetPosition(p, RelativeTo::World());
        camera->ComputeMatrices();
    }
};

TEST(PortalRenderTest, TheRoomBehindAVisibleOpeningIsDrawn) {
    Level level;
    Handle<TriangleSoup> far = Crate({-1, -1, 30}, {1, 1, 32});
    level.roomB->AddObject(far.Get());
    EXPECT_EQ(level.Render(), 3);  // room A, room B through the door, the eye node
    EXPECT_EQ(far->drawCount, 1);
    EXPECT_EQ(level.roomB->frameStamp, level.stamp);
    // The stencil marks the opening around what lies behind it.
    EXPECT_EQ(level.renderer->Count("BeginStencilWrite"), 1u);
    EXPECT_EQ(level.renderer->Count("BeginStencilTest"), 1u);
    EXPECT_EQ(level.renderer->Count("EndStencil"), 1u);
    EXPECT_EQ(level.camera->clipVolume.ActivePlanes(), 0);  // every push popped
}

TEST(PortalRenderTest, CameraInThePortalPlaneSeesNothingThrough) {
    Level level;
    Handle<TriangleSoup> far = Crate({-1, -1, 30}, {1, 1, 32});
    level.roomB->AddObject(far.Get());
    level.MoveEye({0, 0, 20});
    level.Render();
    EXPECT_EQ(far->drawCount, 0);
    EXPECT_NE(level.roomB->frameStamp, level.stamp);
}

TEST(PortalRenderTest, InactiveOrUnseenOpeningsHideTheRoom) {
    Level level;
    Handle<TriangleSoup> far = Crate({-1, -1, 30}, {1, 1, 32});
    level.roomB->AddObject(far.Get());
    level.doorA->SetActive(false);
    level.Render();
    EXPECT_EQ(far->drawCount, 0);
    level.doorA->SetActive(true);
    // Looking away: the opening is outside the view frustum.
    level.eyeNode->SetOrientation({0, 0, -1}, {0, 1, 0}, RelativeTo::World());
    level.camera->ComputeMatrices();
    SetPortalClipping(false);
    level.Render();
    EXPECT_EQ(far->drawCount, 0);
}

TEST(PortalRenderTest, ClipPlanesCullObjectsOutsideTheOpening) {
    Level level;
    // Seen through the 4-wide opening 20 away, only |x| <= z / 10 is visible.
    Handle<TriangleSoup> inside = Crate({-1, -1, 30}, {1, 1, 32});
    Handle<TriangleSoup> outside =
        Crate({20, -1, 30}, {22, 1, 32});  // in the frustum, not the opening
    Handle<TriangleSoup> straddling = Crate({2, -1, 30}, {5, 1, 32});  // crosses the cone's edge
    for (auto* o : {inside.Get(), outside.Get(), straddling.Get()})
        level.roomB->AddObject(o);
    level.Render();
    EXPECT_EQ(inside->drawCount, 1);
    EXPECT_EQ(outside->drawCount, 0);
    EXPECT_EQ(straddling->drawCount, 1);
    SetPortalClipping(false);
    level.Render();
    EXPECT_EQ(outside->drawCount, 1);  // without clipping only the frustum culls
}

TEST(PortalRenderTest, DrawOnceObjectsReachedTwiceAreDrawnOnce) {
    Level level;
    Handle<TriangleSoup> shared = Crate({-1, -1, 30}, {1, 1, 32});
    shared->drawOnce = 1;
    level.roomB->AddObject(shared.Get());
    level.roomB->LinkTo(level.roomA.Get());  // room B is also visited as a link of room A
    level.Render();
    EXPECT_EQ(shared->drawCount, 1);
    EXPECT_TRUE(level.camera->IsDrawn(shared.Get()));
}

TEST(PortalRenderTest, MirrorRendersItsRoomReflectedWithFrontFacesCulled) {
    Level level;
    Handle<GraphPortal> mirror = MakeHandle<GraphPortal>();
    mirror->portalKind = GraphPortal::kMirror;
    mirror->hasMirrorMatrix = 1;
    mirror->mirrorMatrix = ScaleMatrix(1, 1, -1);
    level.roomA->AddPortal(mirror.Get());
    mirror->SetPosition({0, 0, 15}, RelativeTo::World());
    mirror->SetOrientation({0, 0, -1}, {0, 1, 0}, RelativeTo::World());
    mirror->bounds = std::make_unique<BoundingBox>(Vector3{-1, -1, 0}, Vector3{1, 1, 0});
    Handle<TriangleSoup> behindEye = Crate({-0.5f, -0.5f, -3}, {0.5f, 0.5f, -2});
    level.roomA->AddObject(behindEye.Get());
    level.Render();
    EXPECT_GE(behindEye->drawCount, 1);  // seen in the mirror although behind the camera
    const auto culls = level.renderer->CallsNamed("SetCullFront");
    ASSERT_EQ(culls.size(), 2u);
    EXPECT_EQ(culls[0].args[0], "true");
    EXPECT_EQ(culls[1].args[0], "false");
    EXPECT_EQ(level.renderer->Count("Begin3D"), 2u);
    EXPECT_EQ(level.camera->clipVolume.ActivePlanes(), 0);
}

TEST(PortalRenderTest, DeepRecursionKeepsThePlaneStackBalanced) {
    // A corridor of rooms, each joined to the next by a doorway further along z.
    Handle<RecordingRenderer> renderer = MakeHandle<RecordingRenderer>();
    SetCurrentRenderer(renderer.Get());
    Handle<GraphNode> world = MakeHandle<GraphNode>();
    std::vector<Handle<GraphNode>> rooms;
    std::vector<Handle<GraphPortal>> doors;
    for (int i = 0; i < 12; ++i) {
        rooms.push_back(MakeHandle<GraphNode>());
        world->AddChild(rooms.back().Get());
    }
    for (int i = 0; i + 1 < 12; ++i) {
        Handle<GraphPortal> out = MakeHandle<GraphPortal>(), in = MakeHandle<GraphPortal>();
        for (auto [door, room, facing] :
             {std::tuple{out, rooms[i], -1.0f}, std::tuple{in, rooms[i + 1], 1.0f}}) {
            room->AddPortal(door.Get());
            door->SetPosition({0, 0, 20.0f * (i + 1)}, RelativeTo::World());
            door->SetOrientation({0, 0, facing}, {0, 1, 0}, RelativeTo::World());
            door->bounds = std::make_unique<BoundingBox>(Vector3{-2, -2, 0}, Vector3{2, 2, 0});
        }
        out->AddPortal(in.Get());
        in->AddPortal(out.Get());
        doors.push_back(out);
        doors.push_back(in);
    }
    Handle<GraphNode> eyeNode = MakeHandle<GraphNode>();
    Handle<Camera> camera = MakeHandle<Camera>();
    rooms[0]->AddChild(eyeNode.Get());
    eyeNode->AddObject(camera.Get());
    eyeNode->SetPosition({0, 0, 1}, RelativeTo::World());
    camera->ComputeMatrices();
    int32_t stats = 0;
    const int32_t visited = RenderFrom(camera.Get(), 1, stats);
    EXPECT_EQ(visited, 13);  // all twelve rooms and the eye node
    EXPECT_EQ(camera->clipVolume.ActivePlanes(), 0);
    EXPECT_EQ(renderer->Count("BeginStencilWrite"), renderer->Count("EndStencil"));
    for (auto& d : doors)
        d->RemoveAllPortals();
    SetCurrentRenderer(nullptr);
}

}  // namespace
}  // namespace vimsa

namespace vimsa {
namespace {

TEST(DebugVolumeTest, DrawsTheDebugMeshAsWireFrameAtTheNode) {
    Handle<testing::RecordingRenderer> renderer = MakeHandle<testing::RecordingRenderer>();
    Handle<GraphNode> node = MakeHandle<GraphNode>();
    BoundingBox box({-1, -1, -1}, {1, 1, 1});
    EXPECT_EQ(box.Draw(nullptr), ERR_NULL_ARGUMENT);
    EXPECT_EQ(box.Draw(node.Get()), RESULT_OK);  // no mesh: nothing to draw
    Handle<testing::TriangleSoup> mesh =
        MakeHandle<testing::TriangleSoup>(std::vector<Vector3>(12));
    box.debugMesh = mesh;
    box.drawEnabled = 1;
    EXPECT_EQ(box.Draw(node.Get()), ERR_NO_RENDERER);
    SetCurrentRenderer(renderer.Get());
    // The mesh's first eight vertices follow the box's corners.
    box.Set({0, 0, 0}, {2, 3, 4});
    EXPECT_EQ(mesh->VertexPosition(6), (Vector3{2, 3, 4}));
    box.SetColour({1, 0, 0, 1});
    EXPECT_EQ(mesh->colours_[0], (Vector4{1, 0, 0, 1}));
    EXPECT_EQ(box.Draw(node.Get()), RESULT_OK);
    EXPECT_EQ(mesh->drawCount, 1);
    EXPECT_EQ(mesh->parent, nullptr);  // detached again
    const auto solid = renderer->CallsNamed("SetSolid");
    ASSERT_EQ(solid.size(), 2u);
    EXPECT_EQ(solid[0].args[0], "false");
    EXPECT_EQ(solid[1].args[0], "true");  // the fill mode the renderer had
    box.drawEnabled = 0;
    EXPECT_EQ(box.Draw(node.Get()), RESULT_OK);
    EXPECT_EQ(mesh->drawCount, 1);
    SetCurrentRenderer(nullptr);
}

}  // namespace
}  // namespace vimsa
