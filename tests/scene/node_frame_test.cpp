#include <gtest/gtest.h>

#include "tests/support/expect_near.h"

#include "scene/node_frame.h"
#include "test_frames.h"

namespace vimsa {
namespace {

using testing::ExpectNear;

using testing::TestFrame;

Vector3 World(NodeFrame& f) {
    Vector3 p;
    EXPECT_TRUE(f.GetPosition(p, RelativeTo::World()));
    return p;
}

Vector3 Local(NodeFrame& f) {
    Vector3 p;
    EXPECT_TRUE(f.GetPosition(p, RelativeTo::Local()));
    return p;
}

TEST(TransformTest, FreshTransformIsAtOriginFacingZ) {
    Transform t;
    Vector3 v;
    EXPECT_FALSE(t.GetPosition(v));
    EXPECT_FALSE(t.BuildMatrix());
    t.SetPosition({1, 2, 3});
    t.SetOrientation({0, 0, 1}, {0, 1, 0});
    ASSERT_NE(t.GetMatrix(), nullptr);
    EXPECT_EQ(GetColumn3(t.matrix, 3), (Vector3{1, 2, 3}));
    EXPECT_EQ(GetColumn3(*t.GetTransposed(), 0), (Vector3{1, 0, 0}));
    ExpectNear(TransformPoint3(*t.GetInverse(), {1, 2, 3}), {0, 0, 0});
}

TEST(TransformTest, BuildMatrixNormalisesCopiesOnly) {
    Transform t;
    t.SetPosition({0, 0, 0});
    t.SetOrientation({0, 0, 4}, {0, 2, 0});
    ASSERT_TRUE(t.BuildMatrix());
    EXPECT_EQ(GetColumn3(t.matrix, 2), (Vector3{0, 0, 1}));
    EXPECT_EQ(GetColumn3(t.matrix, 1), (Vector3{0, 1, 0}));
    EXPECT_EQ(GetColumn3(t.matrix, 0), (Vector3{1, 0, 0}));
    EXPECT_EQ(t.direction, (Vector3{0, 0, 4}));
}

TEST(TransformTest, ItemsComeFromValidMatrix) {
    Transform t;
    t.SetPosition({4, 5, 6});
    t.SetOrientation({1, 0, 0}, {0, 1, 0});
    t.GetMatrix();
    t.positionValid = t.directionValid = t.upValid = 0;
    t.position = {};
    Vector3 p, d;
    EXPECT_TRUE(t.GetPosition(p));
    EXPECT_TRUE(t.GetDirection(d));
    EXPECT_EQ(p, (Vector3{4, 5, 6}));
    EXPECT_EQ(d, (Vector3{1, 0, 0}));
}

TEST(NodeFrameTest, RootWorldPositionIsItsLocalPosition) {
    TestFrame root;
    root.SetPosition({1, 2, 3}, RelativeTo::World());
    EXPECT_EQ(Local(root), (Vector3{1, 2, 3}));
    NodeFrame free;
    free.SetPosition({4, 5, 6}, RelativeTo::Local());
    EXPECT_EQ(World(free), (Vector3{4, 5, 6}));
}

TEST(NodeFrameTest, ChildFollowsItsParent) {
    TestFrame parent;
    TestFrame child(&parent);
    parent.SetPosition({10, 0, 0}, RelativeTo::World());
    child.SetPosition({0, 0, 5}, RelativeTo::Local());
    ExpectNear(World(child), {10, 0, 5});
    parent.SetPosition({20, 0, 0}, RelativeTo::World());
    ExpectNear(World(child), {20, 0, 5});
    child.SetPosition({0, 0, 0}, RelativeTo::World());
    ExpectNear(Local(child), {-20, 0, 0});
}

TEST(NodeFrameTest, ParentOrientationTurnsChildOffset) {
    TestFrame parent;
    TestFrame child(&parent);
    parent.SetPosition({1, 2, 3}, RelativeTo::World());
    parent.SetOrientation({1, 0, 0}, {0, 1, 0}, RelativeTo::World());
    child.SetPosition({0, 0, 5});
    ExpectNear(World(child), {6, 2, 3});
    Vector3 d, u;
    child.SetOrientation({0, 0, 1}, {0, 1, 0});
    ASSERT_TRUE(child.GetOrientation(d, u, RelativeTo::World()));
    ExpectNear(d, {1, 0, 0});
    ExpectNear(u, {0, 1, 0});
}

TEST(NodeFrameTest, WorldDerivationRunsDownAChain) {
    TestFrame a, b(&a), c(&b), d(&c);
    a.SetPosition({1, 0, 0});
    b.SetPosition({0, 1, 0});
    c.SetPosition({0, 0, 1});
    c.SetOrientation({0, 1, 0}, {0, 0, -1});  // c's forward is world up
    d.SetPosition({0, 0, 2});
    ExpectNear(World(d), {1, 3, 1});
    Vector3 p;
    ASSERT_TRUE(d.LocalToWorld(p, {0, 0, 1}));
    ExpectNear(p, {1, 4, 1});
    ASSERT_TRUE(d.WorldToLocal(p, {1, 4, 1}));
    ExpectNear(p, {0, 0, 1});
}

TEST(NodeFrameTest, SettingAPlacementInvalidatesDescendantsOnly) {
    TestFrame root, child(&root), grandchild(&child), sibling;
    root.SetPosition({0, 0, 0});
    child.SetPosition({1, 0, 0});
    grandchild.SetPosition({0, 1, 0});
    sibling.SetPosition({5, 5, 5});
    ASSERT_NE(grandchild.GetWorldMatrix(), nullptr);
    ASSERT_NE(sibling.GetWorldMatrix(), nullptr);
    root.SetPosition({0, 0, 10});
    EXPECT_FALSE(child.world.matrixValid);
    EXPECT_FALSE(grandchild.world.matrixValid);
    EXPECT_FALSE(grandchild.world.positionValid);
    EXPECT_TRUE(grandchild.world.directionValid);  // a move keeps orientations
    EXPECT_TRUE(sibling.world.matrixValid);
    EXPECT_EQ(GetColumn3(*grandchild.GetWorldMatrix(), 3), (Vector3{1, 1, 10}));

    root.SetOrientation({1, 0, 0}, {0, 1, 0});
    EXPECT_FALSE(grandchild.world.directionValid);
    EXPECT_FALSE(grandchild.world.upValid);
    ExpectNear(World(grandchild), {0, 1, 9});
}

TEST(NodeFrameTest, RelativeToAnotherFrame) {
    TestFrame other;
    other.SetPosition({100, 0, 0});
    other.SetOrientation({1, 0, 0}, {0, 1, 0});
    TestFrame parent, node(&parent);
    parent.SetPosition({0, 10, 0});

    node.SetPosition({0, 0, 1}, RelativeTo::Frame(&other));
    ExpectNear(World(node), {101, 0, 0});
    ExpectNear(Local(node), {101, -10, 0});
    Vector3 back;
    ASSERT_TRUE(node.GetPosition(back, RelativeTo::Frame(&other)));
    ExpectNear(back, {0, 0, 1});

    // Orientation relative to a frame ignores the frame's translation.
    node.SetOrientation({0, 0, 1}, {0, 1, 0}, RelativeTo::Frame(&other));
    Vector3 d, u;
    ASSERT_TRUE(node.GetOrientation(d, u, RelativeTo::World()));
    ExpectNear(d, {1, 0, 0});
    ExpectNear(u, {0, 1, 0});
    ASSERT_TRUE(node.GetOrientation(d, u, RelativeTo::Frame(&other)));
    ExpectNear(d, {0, 0, 1});
}

TEST(NodeFrameTest, ReparentingKeepsLocalPlacement) {
    TestFrame first, second, node(&first);
    first.SetPosition({1, 0, 0});
    second.SetPosition({0, 0, 7});
    node.SetPosition({0, 2, 0});
    ExpectNear(World(node), {1, 2, 0});
    node.AttachTo(&second);
    ExpectNear(World(node), {0, 2, 7});
}

TEST(NodeFrameTest, WorldPlacedChildKeepsItsOffsetWhenParentMoves) {
    // A child placed in world coordinates has no valid local side until it is
    // asked for; moving the parent must not fall back to a stale local value.
    TestFrame parent, child(&parent);
    parent.SetPosition({10, 0, 0});
    child.SetPosition({0, 0, 5});
    ExpectNear(World(child), {10, 0, 5});
    child.SetPosition({12, 0, 0}, RelativeTo::World());
    parent.SetPosition({20, 0, 0});
    ExpectNear(World(child), {22, 0, 0});
    ExpectNear(Local(child), {2, 0, 0});
}

TEST(NodeFrameTest, LocalMatricesComeFromLocalSide) {
    TestFrame parent, child(&parent);
    parent.SetPosition({3, 0, 0});
    child.SetPosition({6, 0, 0}, RelativeTo::World());
    const Matrix4* local = child.GetLocalMatrix();
    ASSERT_NE(local, nullptr);
    EXPECT_EQ(GetColumn3(*local, 3), (Vector3{3, 0, 0}));
    ExpectNear(TransformPoint3(*child.GetLocalInverse(), {3, 0, 0}), {0, 0, 0});
    EXPECT_EQ(GetRow(*child.GetLocalTransposed(), 3), (Vector4{3, 0, 0, 1}));
    EXPECT_EQ(GetRow(*child.GetWorldTransposed(), 3), (Vector4{6, 0, 0, 1}));
}

}  // namespace
}  // namespace vimsa
