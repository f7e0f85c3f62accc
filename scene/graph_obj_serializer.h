#pragma once

#include "core/result.h"
#include "io/serializer.h"
#include "scene/scene_record_context.h"

namespace vimsa {

class GraphObj;

// The "GOBJ" record, the graph-object part of every scene object: a "NAME"
// child with the name, a "FATH" child with the identity of the parent at
// save time (never resolved on reading) and a "BV  " child with the bounds
// flag and, when the object has an axis-aligned box, the box.
class GraphObjSerializer : public Serializer {
public:
    // `context` numbers the parents of one save; without one the numbers
    // are unique within this record only.
    explicit GraphObjSerializer(GraphObj* target, SceneRecordContext* context = nullptr)
        : target_(target), context_(context) {}

    Result Load() override;
    Result Save() override;

private:
    Result LoadBounds(uint16_t version);
    Result SaveBounds();

    GraphObj* target_;
    SceneRecordContext* context_;
};

}  // namespace vimsa
