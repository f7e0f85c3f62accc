#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/ref_object.h"
#include "core/result.h"
#include "scene/quaternion.h"

namespace vimsa {

class GraphNode;

// Per-key record: the key time (a frame number) and 24 bytes carried
// unchanged with the track.
struct KeyData {
    uint32_t time = 0;
    std::array<uint8_t, 24> extra{};
};

// Key-frame positions and absolute rotations, plus a third keyed list that
// is stored but not played.
class Track : public RefObject {
public:
    // Copies the inputs and turns the relative rotation keys (angle, axis x,
    // y, z) into absolute quaternions. Null arrays are allowed for empty lists.
    Result BuildTrack(uint32_t endFrame, uint32_t firstIndex, uint32_t positionCount,
                      const KeyData* positionKeyData, const Vector3* positionValues,
                      uint32_t rotationCount, const KeyData* rotationKeyData,
                      const float* rotationKeys, uint32_t thirdCount, const KeyData* thirdKeyData,
                      const Vector3* thirdValues);

    uint32_t PositionCount() const { return static_cast<uint32_t>(positions.size()); }
    uint32_t RotationCount() const { return static_cast<uint32_t>(rotations.size()); }

    uint32_t endFrame = 0;
    uint32_t firstIndex = 0;
    std::vector<Vector3> positions;
    std::vector<KeyData> positionKeys;
    std::vector<Quaternion> rotations;
    std::vector<KeyData> rotationKeys;
    std::vector<Vector3> thirdValues;
    std::vector<KeyData> thirdKeys;
};

// Plays one track on one node over passes of `period` time units, forwards,
// backwards or back and forth, a number of times or endlessly.
class Animation : public RefObject {
public:
    enum PlayMode : uint32_t { kForward = 0, kBackward = 1, kBackAndForth = 2 };

    Animation() = default;
    explicit Animation(Track* track) { SetTrack(track); }
    Animation(const Animation& other);
    Animation& operator=(const Animation& other);
    ~Animation() override;

    void SetTrack(Track* newTrack);
    void BindNode(GraphNode* newNode);
    void SetPlayMode(uint32_t mode);
    bool StartAnimation(uint32_t now, uint32_t newPeriod, int32_t repeat);
    bool UpdateAnimation(uint32_t now);
    // Changes the pass length keeping the phase within the current pass.
    bool SetPeriod(uint32_t newPeriod);
    bool SaveState();
    bool RestoreState();
    void DropState() { snapshot.reset(); }

    Handle<Track> track;
    Handle<GraphNode> node;
    uint8_t playing = 0;
    int32_t repeatCount = 0;
    uint32_t playMode = kForward;
    uint8_t forward = 1;
    uint32_t period = 0;
    uint32_t passStart = 0;
    uint32_t lastUpdate = 0;
    uint8_t hasPositions = 0;
    uint32_t positionIndex = 0;
    Vector3 currentPosition;
    uint8_t hasRotations = 0;
    uint32_t rotationIndex = 0;
    Quaternion currentRotation;
    std::array<uint32_t, 5> reserved{};
    std::unique_ptr<Animation> snapshot;

private:
    void CopyState(const Animation& other);
    void ResetIndices();
    void ApplyPosition();
    void ApplyRotation();
    // Sets the final pose after the last pass and stops.
    void Finish();
    void Sample(uint32_t e);
};

// The animations of a loaded file, driven together. Counted, so that a file
// load can create one in a slot its caller holds.
class AnimationSet : public RefObject {
public:
    void Add(Animation* animation);
    void Clear() { animations_.clear(); }
    Animation* First();
    Animation* Next();
    size_t Count() const { return animations_.size(); }
    // The animation at a position in adding order, or null; leaves the
    // cursor of First / Next alone.
    Animation* At(size_t index) const {
        return index < animations_.size() ? animations_[index].Get() : nullptr;
    }

    // Each applies to every animation in order; true only when all succeed.
    bool StartAnimation(uint32_t now, uint32_t period, int32_t repeat);
    bool UpdateAnimation(uint32_t now);
    bool SetPeriod(uint32_t period);
    bool SetPlayMode(uint32_t mode);
    bool SaveState();
    bool RestoreState();

private:
    template <typename F>
    bool ForAll(F f);

    std::vector<Handle<Animation>> animations_;
    size_t cursor_ = 0;
};

}  // namespace vimsa
