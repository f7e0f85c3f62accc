#include <gtest/gtest.h>

#include "tests/support/expect_near.h"

#include <cmath>

#include "scene/animation.h"
#include "scene/graph_node.h"

namespace vimsa {
namespace {

using testing::ExpectNear;

void ExpectNear(Quaternion a, Quaternion b, float tol = 1e-5f) {
    EXPECT_NEAR(a.x, b.x, tol);
    EXPECT_NEAR(a.y, b.y, tol);
    EXPECT_NEAR(a.z, b.z, tol);
    EXPECT_NEAR(a.w, b.w, tol);
}

KeyData Key(uint32_t time) {
    KeyData k;
    k.time = time;
    return k;
}

// A track over frames 0..100 moving from (0,0,0) to (100,0,0), optionally
// with rotation keys (angle, axis) per key.
Handle<Track> LinearTrack(std::vector<uint32_t> times, std::vector<Vector3> positions,
                          std::vector<float> rotationKeys = {}) {
    Handle<Track> track = MakeHandle<Track>();
    std::vector<KeyData> keys;
    for (uint32_t t : times)
        keys.push_back(Key(t));
    const uint32_t rotations = static_cast<uint32_t>(rotationKeys.size() / 4);
    EXPECT_EQ(track->BuildTrack(times.back(), 0, static_cast<uint32_t>(positions.size()),
                                keys.data(), positions.data(), rotations, keys.data(),
                                rotationKeys.data(), 0, nullptr, nullptr),
              RESULT_OK);
    return track;
}

Vector3 Position(GraphNode& node) {
    Vector3 p;
    node.GetPosition(p, RelativeTo::Local());
    return p;
}

TEST(QuaternionTest, MultiplyAndMatrixAgreeWithRotations) {
    const Quaternion qy = QuaternionFromAxisAngle({0, 1, 0}, kPi / 2);
    const Matrix4 m = QuaternionToMatrix(qy);
    Vector3 axis{0, 1, 0};
    const Matrix4 expected = RotationAxisAngle(axis, kPi / 2);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(m.m[i], expected.m[i], 1e-6f);
    // Two quarter turns make a half turn.
    const Quaternion half = QuaternionMultiply(qy, qy);
    ExpectNear(half, {0, 1, 0, 0});
    ExpectNear(QuaternionMultiply(Quaternion{}, qy), qy);
}

TEST(QuaternionTest, SlerpEndpointsMidpointAndFallbacks) {
    const Quaternion a = QuaternionFromAxisAngle({0, 0, 1}, 0);
    const Quaternion b = QuaternionFromAxisAngle({0, 0, 1}, kPi / 2);
    ExpectNear(QuaternionSlerp(a, b, 0), a);
    ExpectNear(QuaternionSlerp(a, b, 1), b);
    ExpectNear(QuaternionSlerp(a, b, 0.5f), QuaternionFromAxisAngle({0, 0, 1}, kPi / 4));
    // Nearly equal: linear weights.
    const Quaternion c{0, 0, 0.000001f, 1};
    ExpectNear(QuaternionSlerp(a, c, 0.5f), {0, 0, 0.0000005f, 1});
    // Opposite: a perpendicular detour, still unit length.
    const Quaternion opposite = -a;
    const Quaternion mid = QuaternionSlerp(a, opposite, 0.5f);
    EXPECT_NEAR(LengthSquared(mid), 1.0f, 1e-5f);
    ExpectNear(mid, (a + Quaternion{-a.y, a.x, -a.w, a.z}) * std::sin(kPi / 4));
}

TEST(TrackTest, BuildTrackAccumulatesRelativeRotations) {
    // Two keys, each a quarter turn about y (axis not unit length: normalised).
    const float keys[8] = {kPi / 2, 0, 2, 0, kPi / 2, 0, 2, 0};
    Handle<Track> track = LinearTrack({0, 10}, {{0, 0, 0}, {1, 0, 0}}, {keys, keys + 8});
    ASSERT_EQ(track->RotationCount(), 2u);
    ExpectNear(track->rotations[0], QuaternionFromAxisAngle({0, 1, 0}, -kPi / 2));
    ExpectNear(track->rotations[1], QuaternionFromAxisAngle({0, 1, 0}, -kPi));
}

struct Rig {
    Handle<GraphNode> node = MakeHandle<GraphNode>();
    Handle<Animation> animation;
    explicit Rig(Track* track) : animation(MakeHandle<Animation>(track)) {
        animation->BindNode(node.Get());
    }
};

TEST(AnimationTest, StartNeedsTrackNodePeriodAndRepeat) {
    Handle<Track> track = LinearTrack({0, 100}, {{0, 0, 0}, {100, 0, 0}});
    Animation unbound(track.Get());
    EXPECT_FALSE(unbound.StartAnimation(0, 1000, -1));
    Rig rig(track.Get());
    EXPECT_FALSE(rig.animation->StartAnimation(0, 0, -1));
    EXPECT_FALSE(rig.animation->StartAnimation(0, 1000, 0));
    EXPECT_FALSE(rig.animation->UpdateAnimation(10));
    EXPECT_TRUE(rig.animation->StartAnimation(0, 1000, -1));
}

TEST(AnimationTest, SingleKeyHoldsItsPosition) {
    Handle<Track> track = LinearTrack({0}, {{5, 6, 7}});
    Rig rig(track.Get());
    ASSERT_TRUE(rig.animation->StartAnimation(0, 1000, -1));
    for (uint32_t t : {0u, 250u, 999u, 1500u}) {
        ASSERT_TRUE(rig.animation->UpdateAnimation(t));
        ExpectNear(Position(*rig.node), {5, 6, 7});
    }
}

TEST(AnimationTest, ForwardInterpolatesByTrackTime) {
    Handle<Track> track = LinearTrack({0, 50, 100}, {{0, 0, 0}, {10, 0, 0}, {10, 20, 0}});
    Rig rig(track.Get());
    ASSERT_TRUE(rig.animation->StartAnimation(1000, 1000, -1));
    rig.animation->UpdateAnimation(1250);
    ExpectNear(Position(*rig.node), {5, 0, 0});
    rig.animation->UpdateAnimation(1750);
    ExpectNear(Position(*rig.node), {10, 10, 0});
    rig.animation->UpdateAnimation(2000);  // exactly one period: the last key
    ExpectNear(Position(*rig.node), {10, 20, 0});
}

TEST(AnimationTest, BackAndForthReversesEveryPass) {
    Handle<Track> track = LinearTrack({0, 100}, {{0, 0, 0}, {100, 0, 0}});
    Rig rig(track.Get());
    rig.animation->SetPlayMode(Animation::kBackAndForth);
    ASSERT_TRUE(rig.animation->StartAnimation(0, 1000, -1));
    rig.animation->UpdateAnimation(250);
    ExpectNear(Position(*rig.node), {25, 0, 0});
    rig.animation->UpdateAnimation(1250);  // second pass runs backwards
    ExpectNear(Position(*rig.node), {75, 0, 0});
    rig.animation->UpdateAnimation(2250);  // third pass forwards again
    ExpectNear(Position(*rig.node), {25, 0, 0});
    // A jump over many passes lands where stepping pass by pass would.
    rig.animation->UpdateAnimation(1000 * 1001 + 250);
    ExpectNear(Position(*rig.node), {75, 0, 0});
}

TEST(AnimationTest, BackwardModeStartsAtTheEnd) {
    Handle<Track> track = LinearTrack({0, 100}, {{0, 0, 0}, {100, 0, 0}});
    Rig rig(track.Get());
    rig.animation->SetPlayMode(Animation::kBackward);
    ASSERT_TRUE(rig.animation->StartAnimation(0, 1000, -1));
    ExpectNear(Position(*rig.node), {100, 0, 0});
    rig.animation->UpdateAnimation(250);
    ExpectNear(Position(*rig.node), {75, 0, 0});
}

TEST(AnimationTest, RepeatOnceEndsOnTheLastKeys) {
    Handle<Track> track = LinearTrack({0, 100}, {{0, 0, 0}, {100, 0, 0}});
    Rig rig(track.Get());
    ASSERT_TRUE(rig.animation->StartAnimation(0, 1000, 1));
    rig.animation->UpdateAnimation(500);
    ASSERT_TRUE(rig.animation->UpdateAnimation(1500));
    ExpectNear(Position(*rig.node), {100, 0, 0});
    EXPECT_FALSE(rig.animation->playing);
    EXPECT_FALSE(rig.animation->UpdateAnimation(1600));
}

TEST(AnimationTest, BackAndForthWithRepeatTwoEndsAtTheStart) {
    Handle<Track> track = LinearTrack({0, 100}, {{0, 0, 0}, {100, 0, 0}});
    Rig rig(track.Get());
    rig.animation->SetPlayMode(Animation::kBackAndForth);
    ASSERT_TRUE(rig.animation->StartAnimation(0, 1000, 2));
    ASSERT_TRUE(rig.animation->UpdateAnimation(5000));
    ExpectNear(Position(*rig.node), {0, 0, 0});  // the second pass ran backwards
    EXPECT_FALSE(rig.animation->playing);
}

TEST(AnimationTest, PeriodChangeKeepsThePhase) {
    Handle<Track> track = LinearTrack({0, 100}, {{0, 0, 0}, {100, 0, 0}});
    Rig rig(track.Get());
    ASSERT_TRUE(rig.animation->StartAnimation(0, 1000, -1));
    rig.animation->UpdateAnimation(500);
    ASSERT_TRUE(rig.animation->SetPeriod(2000));
    rig.animation->UpdateAnimation(500);
    ExpectNear(Position(*rig.node), {50, 0, 0});
    rig.animation->UpdateAnimation(1000);
    ExpectNear(Position(*rig.node), {75, 0, 0});
    EXPECT_FALSE(rig.animation->SetPeriod(0));
}

TEST(AnimationTest, RotationsTakeTheShorterArc) {
    // Absolute keys at 0 and 350 degrees about y; the second stored negated.
    Handle<Track> track = MakeHandle<Track>();
    KeyData keys[2] = {Key(0), Key(100)};
    Vector3 positions[2] = {};
    ASSERT_EQ(
        track->BuildTrack(100, 0, 2, keys, &positions[0], 0, nullptr, nullptr, 0, nullptr, nullptr),
        RESULT_OK);
    track->rotations = {QuaternionFromAxisAngle({0, 1, 0}, 0),
                        -QuaternionFromAxisAngle({0, 1, 0}, 0.1f)};
    track->rotationKeys = {Key(0), Key(100)};
    Rig rig(track.Get());
    ASSERT_TRUE(rig.animation->StartAnimation(0, 1000, -1));
    rig.animation->UpdateAnimation(500);
    ExpectNear(
        rig.animation->currentRotation * (rig.animation->currentRotation.w < 0 ? -1.0f : 1.0f),
        QuaternionFromAxisAngle({0, 1, 0}, 0.05f));
    Vector3 d, u;
    rig.node->GetOrientation(d, u, RelativeTo::Local());
    ExpectNear(d, {std::sin(0.05f), 0, std::cos(0.05f)});
}

TEST(AnimationTest, SaveAndRestoreState) {
    Handle<Track> track = LinearTrack({0, 100}, {{0, 0, 0}, {100, 0, 0}});
    Rig rig(track.Get());
    EXPECT_FALSE(rig.animation->RestoreState());
    ASSERT_TRUE(rig.animation->StartAnimation(0, 1000, -1));
    rig.animation->UpdateAnimation(300);
    ASSERT_TRUE(rig.animation->SaveState());
    rig.animation->UpdateAnimation(800);
    ExpectNear(Position(*rig.node), {80, 0, 0});
    ASSERT_TRUE(rig.animation->RestoreState());
    ExpectNear(Position(*rig.node), {30, 0, 0});
    EXPECT_EQ(rig.animation->lastUpdate, 300u);
    rig.animation->DropState();
    EXPECT_FALSE(rig.animation->RestoreState());
}

TEST(AnimationSetTest, DrivesEveryAnimation) {
    Handle<Track> track = LinearTrack({0, 100}, {{0, 0, 0}, {100, 0, 0}});
    Rig a(track.Get()), b(track.Get());
    AnimationSet set;
    EXPECT_TRUE(set.UpdateAnimation(0));  // empty set
    set.Add(a.animation.Get());
    set.Add(b.animation.Get());
    set.SetPlayMode(Animation::kBackward);
    ASSERT_TRUE(set.StartAnimation(0, 1000, -1));
    ASSERT_TRUE(set.UpdateAnimation(100));
    ExpectNear(Position(*a.node), {90, 0, 0});
    ExpectNear(Position(*b.node), {90, 0, 0});
    b.animation->playing = 0;
    EXPECT_FALSE(set.UpdateAnimation(200));  // one failed
    ExpectNear(Position(*a.node), {80, 0, 0});
    int count = 0;
    for (Animation* x = set.First(); x; x = set.Next())
        ++count;
    EXPECT_EQ(count, 2);
}

}  // namespace
}  // namespace vimsa
