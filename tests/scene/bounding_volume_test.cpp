#include <gtest/gtest.h>

#include "scene/pair_tests.h"
#include "scene_test_support.h"

namespace vimsa {
namespace {

using testing::TriangleSoup;

Matrix4 At(float x, float y = 0, float z = 0) {
    return TranslationMatrix({x, y, z});
}

Result Hit(const BoundingVolume& a, const BoundingVolume& b) {
    return a.Intersects(&b);
}

BoundingBox UnitBox(const Matrix4* placement) {
    BoundingBox box({-1, -1, -1}, {1, 1, 1});
    box.placement = placement;
    return box;
}

TEST(PairTestsTest, KindsAreIndexedInRegistrationOrder) {
    PairTests::Instance();
    EXPECT_EQ(BoundingBox().GetKind(), 0);
    EXPECT_EQ(BoundingSphere().GetKind(), 1);
    EXPECT_EQ(GeometryVolume().GetKind(), 2);
    EXPECT_EQ(FrustumVolume().GetKind(), 3);
    EXPECT_EQ(PlaneSetVolume().GetKind(), 4);
}

TEST(PairTestsTest, NullVolumesAndMissingPairsAreReported) {
    BoundingBox box;
    EXPECT_EQ(box.Intersects(nullptr), ERR_VOLUME_NO_TABLE);
    FrustumVolume a, b;
    EXPECT_EQ(a.Intersects(&b), ERR_VOLUME_NO_TEST);  // no frustum/frustum test
    BoundingSphere sphere;
    EXPECT_EQ(sphere.Intersects(&a), ERR_NOT_IMPLEMENTED);
}

TEST(BoxBoxTest, OverlapTouchSeparationAndContainment) {
    const Matrix4 origin = At(0);
    const Matrix4 half = At(0.5f), two = At(2), three = At(3);
    const BoundingBox a = UnitBox(&origin);
    EXPECT_EQ(Hit(a, UnitBox(&half)), 2);
    EXPECT_EQ(Hit(a, UnitBox(&two)), 2);  // faces touching
    EXPECT_EQ(Hit(a, UnitBox(&three)), 0);

    BoundingBox small({-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f});
    small.placement = &origin;
    EXPECT_EQ(a.Intersects(&small), 1);
    EXPECT_EQ(small.Intersects(&a), 1);  // whichever is passed first

    BoundingBox unplaced({-1, -1, -1}, {1, 1, 1});
    EXPECT_EQ(a.Intersects(&unplaced), 1);
}

TEST(BoxBoxTest, RotatedBoxBeyondACornerIsDisjoint) {
    // Turned 45 degrees about z and set diagonally off a corner: every corner
    // of the turned box lies beyond the same two faces of the first.
    Vector3 axis{0, 0, 1};
    Matrix4 rotated = RotationAxisAngle(axis, kPi / 4);
    rotated(0, 3) = 2.5f;
    rotated(1, 3) = 2.5f;
    const Matrix4 origin = At(0);
    EXPECT_EQ(Hit(UnitBox(&origin), UnitBox(&rotated)), 0);
    rotated(0, 3) = rotated(1, 3) = 1.6f;  // now the turned box's edge cuts the corner
    EXPECT_EQ(Hit(UnitBox(&origin), UnitBox(&rotated)), 2);
}

TEST(BoundingBoxTest, ResetAddPointsAndCorners) {
    BoundingBox box;
    const Vector3 p{1, 2, 3};
    box.ResetAndAddPoints(&p, 1);
    EXPECT_EQ(box.minimum, p);
    EXPECT_EQ(box.maximum, p);
    box.Set({0, 0, 0}, {1, 2, 3});
    EXPECT_EQ(box.corners[1], (Vector4{0, 2, 0, 1}));
    EXPECT_EQ(box.corners[3], (Vector4{1, 0, 0, 1}));
    EXPECT_EQ(box.corners[6], (Vector4{1, 2, 3, 1}));
    BoundingBox other({-1, 5, 0}, {0, 6, 1});
    ASSERT_TRUE(box.Merge(other));
    EXPECT_EQ(box.minimum, (Vector3{-1, 0, 0}));
    EXPECT_EQ(box.maximum, (Vector3{1, 6, 3}));
    EXPECT_FALSE(box.Merge(BoundingSphere()));
}

TEST(BoundingBoxTest, TransformByRotationGivesAxisAlignedHull) {
    BoundingBox box({-1, -1, -1}, {1, 1, 1});
    EXPECT_EQ(box.TransformBy(nullptr), ERR_NULL_ARGUMENT);
    Vector3 axis{0, 1, 0};
    const Matrix4 r = RotationAxisAngle(axis, kPi / 4);
    ASSERT_EQ(box.TransformBy(&r), RESULT_OK);
    EXPECT_NEAR(box.maximum.x, 1.4142f, 1e-4f);
    EXPECT_NEAR(box.minimum.z, -1.4142f, 1e-4f);
    EXPECT_NEAR(box.maximum.y, 1.0f, 1e-6f);
    EXPECT_NEAR(box.minimum.y, -1.0f, 1e-6f);
}

TEST(BoxFrustumTest, ClipSpaceOutcodes) {
    // A clip matrix that maps the cube 0..1 to itself with w = 1.
    const Matrix4 clip, place = At(0);
    FrustumVolume frustum;
    frustum.placement = &place;
    frustum.clipMatrix = &clip;
    BoundingBox inside({0.2f, 0.2f, 0.2f}, {0.8f, 0.8f, 0.8f});
    inside.placement = &place;
    EXPECT_EQ(inside.Intersects(&frustum), 1);
    const Matrix4 behind = At(0, 0, -5);
    BoundingBox back({0, 0, 0}, {1, 1, 1});
    back.placement = &behind;
    EXPECT_EQ(back.Intersects(&frustum), 0);
    BoundingBox straddle({-0.5f, 0.2f, 0.2f}, {0.5f, 0.8f, 0.8f});
    straddle.placement = &place;
    EXPECT_EQ(frustum.Intersects(&straddle), 2);
    frustum.clipMatrix = nullptr;
    EXPECT_EQ(back.Intersects(&frustum), 1);
}

TEST(PlaneSetTest, PushPopAndGrowth) {
    PlaneSetVolume set;
    EXPECT_EQ(set.PushPlane({1, 0, 0, 0}), 0);
    EXPECT_EQ(set.PushPlane({0, 1, 0, 0}), 1);
    EXPECT_EQ(set.planeCapacity, 16);
    EXPECT_TRUE(set.PopPlane(0));
    EXPECT_EQ(set.PushPlane({0, 0, 1, 0}), 0);  // first free slot
    EXPECT_EQ(set.planeCount, 3);
    EXPECT_TRUE(set.PopPlane(-1));
    EXPECT_FALSE(set.PopPlane(16));
    for (int i = 0; i < 13; ++i)
        set.PushPlane({});
    EXPECT_EQ(set.planeCount, 16);
    // Sixteen pushes fill the count even though slot 15 is free: the set
    // grows, then fills the first free slot.
    EXPECT_EQ(set.PushPlane({}), 15);
    EXPECT_EQ(set.planeCapacity, 32);
    EXPECT_EQ(set.planes[0], (Vector4{0, 0, 1, 0}));  // kept across growth
    set.ResetPlanes();
    EXPECT_EQ(set.planeCapacity, 0);
    EXPECT_EQ(set.planeCount, 0);
}

TEST(PlaneSetTest, BoxAndSphereAgainstPlanes) {
    const Matrix4 origin = At(0);
    PlaneSetVolume set;
    set.placement = &origin;
    BoundingBox box = UnitBox(&origin);
    EXPECT_EQ(box.Intersects(&set), 1);  // no planes pushed
    // Outside means a positive value: this plane keeps x <= 5.
    const int slot = set.PushPlane({1, 0, 0, -5});
    EXPECT_EQ(box.Intersects(&set), 1);
    const Matrix4 far = At(10), edge = At(5);
    EXPECT_EQ(Hit(UnitBox(&far), set), 0);
    EXPECT_EQ(Hit(UnitBox(&edge), set), 2);
    BoundingSphere sphere({0, 0, 0}, 1);
    sphere.placement = &edge;
    EXPECT_EQ(sphere.Intersects(&set), 2);
    sphere.placement = &far;
    EXPECT_EQ(sphere.Intersects(&set), 0);
    set.PopPlane(slot);
    EXPECT_EQ(Hit(UnitBox(&far), set), 1);  // popped planes no longer cut
}

TEST(SphereTest, SphereSphereAndBoxSphere) {
    const Matrix4 origin = At(0), near = At(1.5f), far = At(3), inner = At(0.2f);
    BoundingSphere a({0, 0, 0}, 1), b({0, 0, 0}, 1);
    a.placement = &origin;
    b.placement = &near;
    EXPECT_EQ(a.Intersects(&b), 2);
    b.placement = &far;
    EXPECT_EQ(a.Intersects(&b), 0);
    BoundingSphere small({0, 0, 0}, 0.1f);
    small.placement = &inner;
    EXPECT_EQ(a.Intersects(&small), 1);

    const BoundingBox box = UnitBox(&origin);
    EXPECT_EQ(box.Intersects(&small), 1);  // sphere inside the box
    BoundingSphere huge({0, 0, 0}, 5);
    huge.placement = &origin;
    EXPECT_EQ(box.Intersects(&huge), 1);  // box inside the sphere
    b.placement = &near;
    EXPECT_EQ(box.Intersects(&b), 2);
    b.placement = &far;
    EXPECT_EQ(box.Intersects(&b), 0);
}

TEST(GeometryTest, SphereAgainstTrianglesRecordsHitNormal) {
    // One triangle in the plane z = 0 facing +Z, placed 10 units up in y.
    TriangleSoup soup({{0, 0, 0}, {4, 0, 0}, {0, 4, 0}});
    const Matrix4 objectPlace = At(0, 10, 0);
    GeometryVolume geometry(&soup);
    geometry.placement = &objectPlace;
    BoundingSphere sphere({0, 0, 0}, 0.5f);
    const Matrix4 touching = At(1, 11, 0.3f), beside = At(10, 10, 0.3f), above = At(1, 11, 0.6f);
    sphere.placement = &touching;
    LastHitNormal() = {};
    EXPECT_EQ(sphere.Intersects(&geometry), 2);
    EXPECT_EQ(LastHitNormal(), (Vector3{0, 0, 1}));
    EXPECT_EQ(LastGeometryHit().face, 0);
    sphere.placement = &beside;
    EXPECT_EQ(sphere.Intersects(&geometry), 0);
    sphere.placement = &above;
    EXPECT_EQ(sphere.Intersects(&geometry), 0);
    geometry.geometryObject = nullptr;
    EXPECT_EQ(sphere.Intersects(&geometry), 1);
}

TEST(GeometryTest, BoxAgainstTriangles) {
    TriangleSoup soup({{0, 0, 0}, {4, 0, 0}, {0, 4, 0}});
    const Matrix4 origin = At(0);
    GeometryVolume geometry(&soup);
    geometry.placement = &origin;
    BoundingBox box({-0.5f, -0.5f, -0.5f}, {0.5f, 0.5f, 0.5f});
    const Matrix4 cutting = At(1, 1, 0), overlapNoTouch = At(3.5f, 3.5f, 0), above = At(1, 1, 2),
                  enclosing = At(1, 1, 0);
    box.placement = &cutting;
    EXPECT_EQ(box.Intersects(&geometry), 2);
    // The box overlaps the triangle's bounding box but lies past its hypotenuse.
    box.placement = &overlapNoTouch;
    EXPECT_EQ(box.Intersects(&geometry), 0);
    box.placement = &above;
    EXPECT_EQ(box.Intersects(&geometry), 0);
    BoundingBox big({-10, -10, -10}, {10, 10, 10});
    big.placement = &enclosing;
    EXPECT_EQ(big.Intersects(&geometry), 2);  // the whole face inside the box
}

}  // namespace
}  // namespace vimsa
