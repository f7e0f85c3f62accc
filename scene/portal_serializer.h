#pragma once

#include "core/result.h"
#include "io/serializer.h"
#include "scene/scene_record_context.h"

namespace vimsa {

class GraphPortal;

// The "GPOR" record: the portal's placement ("REPE"), its "GOBJ" record,
// the identity it has in this save, and a "PDAT" child with its kind, its
// flags, its mirror matrix and the identity of its twin (0 without one).
class PortalSerializer : public Serializer {
public:
    // `context` numbers the portals of one save, and collects the portals of
    // one load so that twins can be paired once the whole file is read.
    // Without one, identities are unique within this record only and a
    // loaded portal stays unpaired.
    explicit PortalSerializer(GraphPortal* target, SceneRecordContext* context = nullptr)
        : target_(target), context_(context) {}

    Result Load() override;
    Result Save() override;

private:
    void LoadData();

    GraphPortal* target_;
    SceneRecordContext* context_;
};

}  // namespace vimsa
