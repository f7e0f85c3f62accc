#include <gtest/gtest.h>

#include "tests/support/expect_near.h"

#include "scene/collision.h"
#include "scene/graph_portal.h"
#include "scene_test_support.h"

namespace vimsa {
namespace {

using testing::ExpectNear;

using testing::TriangleSoup;

Handle<TriangleSoup> Wall(std::vector<Vector3> triangle) {
    Handle<TriangleSoup> soup = MakeHandle<TriangleSoup>(std::move(triangle));
    soup->bounds = std::make_unique<BoundingBox>();
    soup->UpdateBounds(false);
    return soup;
}

// Room A lies at z < 10, room B (offset by 5 in x) at z > 10; a doorway pair
// of portals stands in the plane z = 10, each facing into its own room.
struct TwoRooms {
    Handle<GraphNode> world = MakeHandle<GraphNode>();
    Handle<GraphNode> roomA = MakeHandle<GraphNode>();
    Handle<GraphNode> roomB = MakeHandle<GraphNode>();
    Handle<GraphPortal> doorA = MakeHandle<GraphPortal>();
    Handle<GraphPortal> doorB = MakeHandle<GraphPortal>();
    Handle<GraphNode> mover = MakeHandle<GraphNode>();

    TwoRooms() {
        world->AddChild(roomA.Get());
        world->AddChild(roomB.Get());
        roomB->SetPosition({5, 0, 0}, RelativeTo::Local());
        roomA->AddPortal(doorA.Get());
        roomB->AddPortal(doorB.Get());
        doorA->SetPosition({0, 0, 10}, RelativeTo::World());
        doorA->SetOrientation({0, 0, -1}, {0, 1, 0}, RelativeTo::World());
        doorB->SetPosition({0, 0, 10}, RelativeTo::World());
        doorB->SetOrientation({0, 0, 1}, {0, 1, 0}, RelativeTo::World());
        for (GraphPortal* door : {doorA.Get(), doorB.Get()}) {
            door->bounds =
                std::make_unique<BoundingBox>(Vector3{-2, -2, -0.5f}, Vector3{2, 2, 0.5f});
        }
        doorA->AddPortal(doorB.Get());
        doorB->AddPortal(doorA.Get());
        roomA->AddChild(mover.Get());
        mover->bounds =
            std::make_unique<BoundingBox>(Vector3{-0.5f, -0.5f, -0.5f}, Vector3{0.5f, 0.5f, 0.5f});
    }
    ~TwoRooms() {
        // Twins hold each other; break the pair so both can go.
        doorA->RemoveAllPortals();
        doorB->RemoveAllPortals();
    }
    void MoveTo(Vector3 p) { mover->SetPosition(p, RelativeTo::World()); }
};

TEST(CollisionTest, MoverWithoutBoundsOrRoomNeverCollides) {
    TwoRooms scene;
    scene.MoveTo({0, 0, 10});
    scene.mover->bounds.reset();
    EXPECT_EQ(Collide(scene.mover.Get(), 0), kNoCollision);
    Handle<GraphNode> loose = MakeHandle<GraphNode>();
    EXPECT_EQ(Collide(loose.Get(), 0), kNoCollision);
}

TEST(CollisionTest, TouchingAPortalFromItsFacingSide) {
    TwoRooms scene;
    scene.MoveTo({0, 0, 9.8f});
    LastPortal() = nullptr;
    EXPECT_EQ(Collide(scene.mover.Get(), 0), kTouchPortal);
    EXPECT_EQ(LastPortal(), scene.doorA.Get());
    EXPECT_EQ(scene.mover->parent, scene.roomA.Get());
    scene.MoveTo({0, 0, 5});
    EXPECT_EQ(Collide(scene.mover.Get(), 0), kNoCollision);
}

TEST(CollisionTest, CrossingMovesTheMoverKeepingItsWorldPlacement) {
    TwoRooms scene;
    scene.MoveTo({1, 0, 10.01f});
    scene.mover->SetOrientation({1, 0, 0}, {0, 1, 0}, RelativeTo::World());
    EXPECT_EQ(Collide(scene.mover.Get(), 0), kCrossedPortal);
    EXPECT_EQ(scene.mover->parent, scene.roomB.Get());
    EXPECT_TRUE(scene.roomA->children.empty());
    Vector3 p, d, u;
    scene.mover->GetPosition(p, RelativeTo::World());
    ExpectNear(p, {1, 0, 10.01f});
    scene.mover->GetPosition(p, RelativeTo::Local());
    ExpectNear(p, {-4, 0, 10.01f});
    scene.mover->GetOrientation(d, u, RelativeTo::World());
    ExpectNear(d, {1, 0, 0});
    EXPECT_EQ(scene.mover->refcount, 2);  // our handle and the new room's list
    // From the new room the same spot is in front of the twin: a touch.
    EXPECT_EQ(Collide(scene.mover.Get(), 0), kTouchPortal);
    EXPECT_EQ(LastPortal(), scene.doorB.Get());
}

TEST(CollisionTest, APortalWithoutTwinOnlyReportsTheTouch) {
    TwoRooms scene;
    scene.doorA->RemoveAllPortals();
    scene.MoveTo({0, 0, 10.01f});
    EXPECT_EQ(Collide(scene.mover.Get(), 0), kTouchPortal);
    EXPECT_EQ(scene.mover->parent, scene.roomA.Get());
}

TEST(CollisionTest, ObjectsAreHitByTheirGeometryAndTheFirstHitWins) {
    TwoRooms scene;
    // A wall triangle in the plane x = 0 across the doorway.
    Handle<TriangleSoup> wall = Wall({{0, -5, 5}, {0, 5, 5}, {0, -5, 15}});
    scene.roomA->AddObject(wall.Get());
    scene.MoveTo({0.2f, 0, 9.8f});  // touches the wall and the portal box
    EXPECT_EQ(Collide(scene.mover.Get(), 0), kHitObject);
    // Inside the wall's bounding box region but past its hypotenuse: no hit.
    scene.MoveTo({0.2f, 4, 14});
    EXPECT_EQ(Collide(scene.mover.Get(), 0), kNoCollision);
}

TEST(CollisionTest, TheMoverIsSkippedButItsSiblingsAreTested) {
    TwoRooms scene;
    Handle<GraphNode> sibling = MakeHandle<GraphNode>();
    scene.roomA->AddChild(sibling.Get());
    // An upright crate side in the plane x = 0, covering y + z <= 1 locally.
    Handle<TriangleSoup> crate = Wall({{0, -1, -1}, {0, 1, -1}, {0, -1, 1}});
    sibling->AddObject(crate.Get());
    sibling->SetPosition({0, 0, 3}, RelativeTo::World());
    // The mover carries a flat plate 1.2 above its origin; it always
    // overlaps the mover's own box, which must never count.
    Handle<TriangleSoup> plate = Wall({{-1, -1, 1.2f}, {1, -1, 1.2f}, {-1, 1, 1.2f}});
    scene.mover->AddObject(plate.Get());
    scene.MoveTo({0, 0, 6});
    EXPECT_EQ(Collide(scene.mover.Get(), 1), kNoCollision);
    scene.MoveTo({0, 0, 3.2f});
    // Coarse: the mover's box meets the crate side.
    EXPECT_EQ(Collide(scene.mover.Get(), 0), kHitObject);
    // Fine: only the mover's own objects count, and the plate passes above.
    EXPECT_EQ(Collide(scene.mover.Get(), 1), kNoCollision);
    scene.MoveTo({0.5f, 0, 2.0f});  // the plate now cuts through the crate side
    EXPECT_EQ(Collide(scene.mover.Get(), 1), kHitObject);
}

TEST(CollisionTest, LinkCyclesDoNotRecurseForever) {
    TwoRooms scene;
    Handle<GraphNode> a = MakeHandle<GraphNode>(), b = MakeHandle<GraphNode>();
    scene.world->AddChild(a.Get());
    scene.world->AddChild(b.Get());
    for (GraphNode* n : {a.Get(), b.Get()})
        static_cast<BoundingBox*>(n->bounds.get())->Set({-50, -50, -50}, {50, 50, 50});
    scene.roomA->LinkTo(a.Get());
    a->LinkTo(b.Get());
    b->LinkTo(scene.roomA.Get());  // roomA <- b <- a <- roomA
    scene.MoveTo({0, 0, 5});
    EXPECT_EQ(Collide(scene.mover.Get(), 0), kNoCollision);
}

}  // namespace
}  // namespace vimsa
