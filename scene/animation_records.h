#pragma once

#include "core/result.h"
#include "io/serializer.h"

namespace vimsa {

class Animation;
class Track;

// The "NSTA" record: an animation, stored as the "TRAC" record of its track.
class AnimationSerializer : public Serializer {
public:
    explicit AnimationSerializer(Animation* target) : target_(target) {}

    // The animation receives the track only when the whole track was read;
    // a track that cannot be read fails the record, so that no animation
    // without a track joins a set.
    Result Load() override;
    // An animation without a track has nothing to store: ERR_NULL_ARGUMENT.
    Result Save() override;

private:
    Animation* target_;
};

// The "TRAC" record: end frame, first index and the three key lists, each
// as its count, its values and its 28-byte key records in one block.
class TrackSerializer : public Serializer {
public:
    explicit TrackSerializer(Track* target) : target_(target) {}

    // A count the record has no room for is refused before anything is
    // allocated (ERR_OUT_OF_RANGE).
    Result Load() override;
    // A track whose value and key lists differ in length cannot be stored
    // (ERR_OUT_OF_RANGE, nothing written).
    Result Save() override;

private:
    Track* target_;
};

}  // namespace vimsa
