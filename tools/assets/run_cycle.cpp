#include "tools/assets/run_cycle.h"

#include <algorithm>
#include <cmath>

namespace vimsa::tool {
namespace {

constexpr float kGround = 1.0f;        // the soles' height below the origin
constexpr float kToeOffPitch = -0.6f;  // radians: the heel up at toe-off
constexpr float kReach = 0.995f;       // of the straight leg, at most

float Smooth(float edge0, float edge1, float x) {
    const float t = std::clamp((x - edge0) / (edge1 - edge0), 0.0f, 1.0f);
    return t * t * (3 - 2 * t);
}

float Wrap(float phase) {
    return phase - std::floor(phase);
}

// The ankle of a foot pitched by `pitch` about the x axis whose ball rests at
// `ball`: the foot rolls over the ball.
Vector3 AnkleOverBall(Vector3 ball, float pitch, float ankleHeight, float ballAhead) {
    const float c = std::cos(pitch), s = std::sin(pitch);
    const float y = -ankleHeight, z = -ballAhead;  // ankle from the ball, unpitched
    return ball + Vector3{0, c * y - s * z, s * y + c * z};
}

}  // namespace

Vector3 RunCycle::Ankle(float phase, float& pitch) const {
    const RunnerBody& b = body_;
    const float length = b.strideFront - b.strideBack;
    auto planted = [&](float s, float& p) {
        // Flat, sliding back under the hips; the heel rises towards the end.
        p = kToeOffPitch * Smooth(0.55f, 1.0f, s);
        const Vector3 ball{0, kGround, b.strideFront - length * s + b.ball};
        return AnkleOverBall(ball, p, b.ankleHeight, b.ball);
    };
    phase = Wrap(phase);
    if (phase < 0.5f) return planted(phase * 2, pitch);
    // In the air: the heel kicks up behind, the knee drives the foot through.
    const float s = phase * 2 - 1;
    float offPitch = 0, onPitch = 0;
    const Vector3 off = planted(1, offPitch), on = planted(0, onPitch);
    const float through = Smooth(0.12f, 1.0f, s);
    const float lift = 0.36f * std::pow(std::sin(kPi * std::pow(s, 0.7f)), 1.2f);
    pitch = offPitch * (1 - s) * (1 - s);
    return {0, off.y + (on.y - off.y) * s - lift, off.z + (on.z - off.z) * through};
}

RunPose::Leg RunCycle::SolveLeg(Vector3 hip, Vector3 ankle, float pitch) const {
    const float l1 = body_.thigh, l2 = body_.shin;
    const float dy = ankle.y - hip.y, dz = ankle.z - hip.z;
    const float d = std::clamp(std::hypot(dy, dz), std::fabs(l1 - l2) + 1e-3f, (l1 + l2) * 0.9999f);
    const float towards = std::atan2(dz, dy);  // from straight down, forwards positive
    const float atHip =
        std::acos(std::clamp((l1 * l1 + d * d - l2 * l2) / (2 * l1 * d), -1.0f, 1.0f));
    const float atKnee =
        std::acos(std::clamp((l1 * l1 + l2 * l2 - d * d) / (2 * l1 * l2), -1.0f, 1.0f));
    RunPose::Leg leg;
    leg.thigh = towards + atHip;  // the knee ahead of the line from hip to ankle
    leg.knee = -(kPi - atKnee);
    leg.foot = pitch - (leg.thigh + leg.knee);
    return leg;
}

float RunCycle::HipsHeight(float phase) const {
    const RunnerBody& b = body_;
    // Lowest at mid-stance, as the knee gives under the landing.
    float y = b.crouch - b.bob * std::cos(4 * kPi * phase);
    // Low enough for the planted foot to be reached.
    for (float legPhase : {phase, phase + 0.5f}) {
        float pitch = 0;
        const Vector3 ankle = Ankle(legPhase, pitch);
        if (Wrap(legPhase) >= 0.5f) continue;
        const float reach = (b.thigh + b.shin) * kReach;
        const float hipY = ankle.y - std::sqrt(std::max(reach * reach - ankle.z * ankle.z, 0.0f));
        y = std::max(y, hipY - b.hipDrop);
    }
    return y;
}

RunPose RunCycle::At(float phase) const {
    const RunnerBody& b = body_;
    RunPose pose;
    phase = Wrap(phase);
    pose.hips = {0, HipsHeight(phase), 0};
    for (int side = 0; side < 2; ++side) {
        float pitch = 0;
        Vector3 ankle = Ankle(phase + 0.5f * static_cast<float>(side), pitch);
        const float x = side == 0 ? -b.hipSpread : b.hipSpread;
        ankle.x = x;
        const Vector3 hip{x, pose.hips.y + b.hipDrop, 0};
        pose.legs[static_cast<size_t>(side)] = SolveLeg(hip, ankle, pitch);
    }
    // Arms against the legs: the left arm is back while the left foot lands.
    const float swing = std::cos(kTwoPi * phase);
    pose.arms[0] = {-b.armSwing * swing + 0.1f, b.elbow + 0.25f * std::max(0.0f, -swing)};
    pose.arms[1] = {b.armSwing * swing + 0.1f, b.elbow + 0.25f * std::max(0.0f, swing)};
    pose.lean = b.lean;
    // The right shoulder comes forward with the left foot.
    pose.twist = -0.2f * swing;
    return pose;
}

}  // namespace vimsa::tool
