#include "scene/animation.h"

#include <cmath>

#include "scene/graph_node.h"

namespace vimsa {
namespace {

// Index of the earlier and later key around track time u, resuming the
// search at `index` (which is updated).
struct KeySpan {
    uint32_t earlier;
    uint32_t later;
};

KeySpan FindKeys(const std::vector<KeyData>& keys, uint32_t first, uint32_t& index, bool forward,
                 double u) {
    const uint32_t count = static_cast<uint32_t>(keys.size());
    if (index >= count) index = count - 1;
    if (index < first) index = first;
    uint32_t earlier;
    if (forward) {
        while (index + 1 < count && keys[index + 1].time <= u)
            ++index;
        earlier = index;
    } else {
        while (index > first && keys[index - 1].time > u)
            --index;
        earlier = index > first ? index - 1 : index;
    }
    const uint32_t later = earlier + 1 < count ? earlier + 1 : earlier;
    return {earlier, later};
}

float Blend(const std::vector<KeyData>& keys, KeySpan span, double u) {
    const double t0 = keys[span.earlier].time, t1 = keys[span.later].time;
    // Keys with equal times are invalid input; hold the earlier one.
    if (t1 == t0) return 0.0f;
    return static_cast<float>((u - t0) / (t1 - t0));
}

}  // namespace

// --- Track ---

Result Track::BuildTrack(uint32_t newEndFrame, uint32_t newFirstIndex, uint32_t positionCount,
                         const KeyData* positionKeyData, const Vector3* positionValues,
                         uint32_t rotationCount, const KeyData* rotationKeyData,
                         const float* rotationValues, uint32_t thirdCount,
                         const KeyData* thirdKeyData, const Vector3* newThirdValues) {
    *this = Track();
    if ((positionCount && (!positionKeyData || !positionValues)) ||
        (rotationCount && (!rotationKeyData || !rotationValues)) ||
        (thirdCount && (!thirdKeyData || !newThirdValues))) {
        return ERR_NULL_ARGUMENT;
    }
    endFrame = newEndFrame;
    firstIndex = newFirstIndex;
    positions.assign(positionValues, positionValues + positionCount);
    positionKeys.assign(positionKeyData, positionKeyData + positionCount);
    rotationKeys.assign(rotationKeyData, rotationKeyData + rotationCount);
    thirdValues.assign(newThirdValues, newThirdValues + thirdCount);
    thirdKeys.assign(thirdKeyData, thirdKeyData + thirdCount);
    // Imported keys are relative (angle, axis); store absolute rotations.
    rotations.resize(rotationCount);
    Quaternion accumulator;
    for (uint32_t i = 0; i < rotationCount; ++i) {
        const float* key = rotationValues + 4 * static_cast<size_t>(i);
        Vector3 axis{key[1], key[2], key[3]};
        Normalize(axis);
        accumulator = QuaternionMultiply(accumulator, QuaternionFromAxisAngle(axis, -key[0]));
        rotations[i] = accumulator;
    }
    return RESULT_OK;
}

// --- Animation ---

Animation::Animation(const Animation& other) : RefObject() {
    CopyState(other);
}

Animation& Animation::operator=(const Animation& other) {
    if (this != &other) CopyState(other);
    return *this;
}

Animation::~Animation() = default;

void Animation::CopyState(const Animation& other) {
    track = other.track;
    node = other.node;
    playing = other.playing;
    repeatCount = other.repeatCount;
    playMode = other.playMode;
    forward = other.forward;
    period = other.period;
    passStart = other.passStart;
    lastUpdate = other.lastUpdate;
    hasPositions = other.hasPositions;
    positionIndex = other.positionIndex;
    currentPosition = other.currentPosition;
    hasRotations = other.hasRotations;
    rotationIndex = other.rotationIndex;
    currentRotation = other.currentRotation;
    reserved = other.reserved;
}

void Animation::SetTrack(Track* newTrack) {
    track = newTrack;
    node = nullptr;
    playing = 0;
    snapshot.reset();
    playMode = kForward;
    forward = 1;
}

void Animation::BindNode(GraphNode* newNode) {
    node = newNode;
}

void Animation::ResetIndices() {
    if (!track) return;
    const uint32_t first = track->firstIndex;
    positionIndex = forward ? first : track->PositionCount() - 1;
    rotationIndex = forward ? first : track->RotationCount() - 1;
}

void Animation::SetPlayMode(uint32_t mode) {
    playMode = mode;
    if (mode == kForward || mode == kBackAndForth) forward = 1;
    if (mode == kBackward) forward = 0;
    if (playing) ResetIndices();
}

void Animation::ApplyPosition() {
    node->SetPosition(currentPosition, RelativeTo::Local());
}

void Animation::ApplyRotation() {
    const Matrix4 m = QuaternionToMatrix(currentRotation);
    node->SetOrientation(GetColumn3(m, 2), GetColumn3(m, 1), RelativeTo::Local());
}

bool Animation::StartAnimation(uint32_t now, uint32_t newPeriod, int32_t repeat) {
    if (!track || !node || repeat == 0 || newPeriod == 0) return false;
    period = newPeriod;
    passStart = lastUpdate = now;
    repeatCount = repeat;
    playing = 1;
    SetPlayMode(playMode);
    const uint32_t first = track->firstIndex;
    hasPositions = first < track->PositionCount();
    if (hasPositions) {
        currentPosition = track->positions[positionIndex];
        ApplyPosition();
    }
    hasRotations = first < track->RotationCount();
    if (hasRotations) {
        currentRotation = track->rotations[rotationIndex];
        ApplyRotation();
    }
    return true;
}

void Animation::Finish() {
    const uint32_t first = track->firstIndex;
    if (hasPositions) {
        positionIndex = forward ? track->PositionCount() - 1 : first;
        currentPosition = track->positions[positionIndex];
        ApplyPosition();
    }
    if (hasRotations) {
        rotationIndex = forward ? track->RotationCount() - 1 : first;
        currentRotation = track->rotations[rotationIndex];
        ApplyRotation();
    }
    playing = 0;
}

void Animation::Sample(uint32_t e) {
    const uint32_t length = track->endFrame - track->firstIndex;
    const double u = e == period ? static_cast<double>(length)
                                 : static_cast<double>(length) * e / static_cast<double>(period);
    const uint32_t first = track->firstIndex;
    if (hasPositions) {
        const KeySpan span = FindKeys(track->positionKeys, first, positionIndex, forward, u);
        const Vector3 a = track->positions[span.earlier], b = track->positions[span.later];
        if (span.earlier == span.later) {
            currentPosition = a;
        } else {
            const float c = Blend(track->positionKeys, span, u);
            currentPosition = a * (1 - c) + b * c;
        }
        ApplyPosition();
    }
    if (hasRotations) {
        const KeySpan span = FindKeys(track->rotationKeys, first, rotationIndex, forward, u);
        const Quaternion a = track->rotations[span.earlier];
        Quaternion b = track->rotations[span.later];
        if (span.earlier == span.later) {
            currentRotation = a;
        } else {
            if (LengthSquared(a + b) < LengthSquared(a - b)) b = -b;  // the shorter arc
            currentRotation = QuaternionSlerp(a, b, Blend(track->rotationKeys, span, u));
        }
        ApplyRotation();
    }
}

bool Animation::UpdateAnimation(uint32_t now) {
    if (!track || !node || !playing) return false;
    uint32_t e = now - passStart;
    if (e > period) {
        // Fold every pass that has ended at once: the same outcome as
        // stepping pass by pass, without a loop as long as the clock jump.
        const uint32_t ended = (e - 1) / period;
        const bool flips = playMode == kBackAndForth;
        if (repeatCount != -1 && static_cast<uint32_t>(repeatCount) <= ended) {
            // The last pass ends after repeatCount - 1 reversals.
            if (flips && ((repeatCount - 1) & 1)) forward = !forward;
            repeatCount = 0;
            Finish();
            return true;
        }
        if (repeatCount != -1) repeatCount -= static_cast<int32_t>(ended);
        if (flips && (ended & 1)) forward = !forward;
        ResetIndices();
        passStart += ended * period;
        e -= ended * period;
    }
    Sample(forward ? e : period - e);
    lastUpdate = now;
    return true;
}

bool Animation::SetPeriod(uint32_t newPeriod) {
    if (!playing || newPeriod == 0 || period == 0) return false;
    const uint64_t phase = lastUpdate - passStart;
    passStart = lastUpdate - static_cast<uint32_t>(phase * newPeriod / period);
    period = newPeriod;
    return true;
}

bool Animation::SaveState() {
    if (!snapshot) snapshot = std::make_unique<Animation>();
    snapshot->CopyState(*this);
    return true;
}

bool Animation::RestoreState() {
    if (!snapshot) return false;
    CopyState(*snapshot);
    if (!node) return false;
    if (hasPositions) ApplyPosition();
    if (hasRotations) ApplyRotation();
    return true;
}

// --- AnimationSet ---

void AnimationSet::Add(Animation* animation) {
    if (animation) animations_.emplace_back(animation);
}

Animation* AnimationSet::First() {
    cursor_ = 0;
    return Next();
}

Animation* AnimationSet::Next() {
    return cursor_ < animations_.size() ? animations_[cursor_++].Get() : nullptr;
}

template <typename F>
bool AnimationSet::ForAll(F f) {
    bool all = true;
    for (const Handle<Animation>& a : animations_)
        all = f(*a) && all;
    return all;
}

bool AnimationSet::StartAnimation(uint32_t now, uint32_t period, int32_t repeat) {
    return ForAll([&](Animation& a) { return a.StartAnimation(now, period, repeat); });
}

bool AnimationSet::UpdateAnimation(uint32_t now) {
    return ForAll([&](Animation& a) { return a.UpdateAnimation(now); });
}

bool AnimationSet::SetPeriod(uint32_t period) {
    return ForAll([&](Animation& a) { return a.SetPeriod(period); });
}

bool AnimationSet::SetPlayMode(uint32_t mode) {
    return ForAll([&](Animation& a) {
        a.SetPlayMode(mode);
        return true;
    });
}

bool AnimationSet::SaveState() {
    return ForAll([](Animation& a) { return a.SaveState(); });
}

bool AnimationSet::RestoreState() {
    return ForAll([](Animation& a) { return a.RestoreState(); });
}

}  // namespace vimsa
