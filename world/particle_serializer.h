#pragma once

#include <cstdint>

#include "core/result.h"
#include "io/serializer.h"
#include "scene/scene_record_context.h"

namespace vimsa {

class ParticleSyst;

// The "PSYS" record: the system's "GOBJ" record, its particle count and the
// path of its texture.
class ParticleSystSerializer : public Serializer {
public:
    // A stored count is a few bytes that build thousands of particles, so a
    // load that reads many systems shares `particleBudget` among them (none:
    // no limit beyond what one system holds).
    explicit ParticleSystSerializer(ParticleSyst* target, SceneRecordContext* context = nullptr,
                                    uint32_t* particleBudget = nullptr)
        : target_(target), context_(context), particleBudget_(particleBudget) {}

    // The count rebuilds the particles; a count of 0 leaves the system
    // without particles, as it was saved, and a count the system cannot
    // hold, or more than the budget has left, fails the record
    // (ERR_OUT_OF_RANGE). A texture path that gives no texture (an empty
    // one included) leaves the system's texture as it was.
    Result Load() override;
    Result Save() override;

private:
    ParticleSyst* target_;
    SceneRecordContext* context_;
    uint32_t* particleBudget_;
};

}  // namespace vimsa
