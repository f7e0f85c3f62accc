#pragma once

#include <array>

#include "core/vector.h"

namespace vimsa::tool {

// Lengths of a runner's legs and arms and the shape of the stride (units,
// y down, facing +z, the model's origin 1 unit above the soles).
struct RunnerBody {
    float hipSpread = 0.1f;  // hip joints at x = -/+ this (left, right)
    float hipDrop = 0.06f;   // hip joints this far below the hips node
    float thigh = 0.43f, shin = 0.43f;
    float ankleHeight = 0.08f;  // ankle above the sole
    float ball = 0.12f;         // ball of the foot ahead of the ankle
    float strideFront = 0.38f;  // ankle at touchdown, ahead of the hips
    float strideBack = -0.46f;  // where a flat foot's ankle would be at toe-off
    float crouch = 0.11f;       // hips below standing height, on average
    float bob = 0.03f;          // and up and down by this, twice a stride
    float armSwing = 0.75f;     // radians either way
    float elbow = 1.45f;        // radians of bend
    float lean = 0.2f;          // radians, the chest ahead of the hips
};

// One moment of the run: the hips node's position and every joint's turn
// about its node's x axis (positive swings a hanging limb forward), with
// the upper body's twist about y.
struct RunPose {
    struct Leg {
        float thigh = 0, knee = 0, foot = 0;  // knee: negative bends it
    };
    struct Arm {
        float swing = 0, elbow = 0;
    };
    Vector3 hips;
    std::array<Leg, 2> legs;  // left (-x), right (+x)
    std::array<Arm, 2> arms;
    float lean = 0, twist = 0;
};

// A run cycle in which one foot is always on the ground: each foot rolls
// from its touchdown ahead of the hips to toe-off behind them, then swings
// through with the heel kicked up. The legs are solved so that the foot on
// the ground stays on the ground, and the hips are lowered wherever the leg
// could not reach it.
class RunCycle {
public:
    explicit RunCycle(const RunnerBody& body) : body_(body) {}

    // The pose at `phase` (0..1) of a cycle that starts with the left foot
    // touching down.
    RunPose At(float phase) const;

    // Where the ankle of a foot is, and the foot's pitch, `phase` into its
    // own cycle (0..0.5 on the ground). The model's frame, x left as 0.
    Vector3 Ankle(float phase, float& pitch) const;

private:
    RunPose::Leg SolveLeg(Vector3 hip, Vector3 ankle, float pitch) const;
    float HipsHeight(float phase) const;

    RunnerBody body_;
};

}  // namespace vimsa::tool
