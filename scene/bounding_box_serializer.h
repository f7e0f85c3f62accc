#pragma once

#include "core/result.h"
#include "io/serializer.h"

namespace vimsa {

class BoundingBox;
class BoundingVolume;

// The "BVBA" record: what every bounding volume has, its draw flags and its
// debug colour.
class BoundingVolumeSerializer : public Serializer {
public:
    explicit BoundingVolumeSerializer(BoundingVolume* target) : target_(target) {}

    Result Load() override;
    Result Save() override;

private:
    BoundingVolume* target_;
};

// The "AABB" record: a "BVBA" record, then the box's two opposite corners.
class BoundingBoxSerializer : public Serializer {
public:
    explicit BoundingBoxSerializer(BoundingBox* target) : target_(target) {}

    Result Load() override;
    Result Save() override;

private:
    BoundingBox* target_;
};

}  // namespace vimsa
