#pragma once

#include <cstdint>

#include "core/ref_object.h"
#include "core/result.h"
#include "io/serializer.h"
#include "scene/graph_obj.h"
#include "scene/scene_record_context.h"

namespace vimsa {

// The "OBJ " record: one object placed at a node, as its type number and,
// for the kinds a file can recreate (meshes, the four light kinds, both
// particle systems), the record of that kind. Other objects (cameras,
// terrain, plain lights) are stored as their type number alone.
class ObjectEntrySerializer : public Serializer {
public:
    // For saving `object`; loading makes an object of its own. Particle
    // systems read take their particles from `particleBudget` (none: no
    // shared limit).
    explicit ObjectEntrySerializer(GraphObj* object = nullptr,
                                   SceneRecordContext* context = nullptr,
                                   uint32_t* particleBudget = nullptr)
        : object_(object), context_(context), particleBudget_(particleBudget) {}

    // Creates the object the type names (with its class defaults) and reads
    // its record into it; Loaded () then holds it. An entry whose type
    // cannot be recreated loads nothing and answers RESULT_OK; a record
    // that fails leaves Loaded () empty and answers its failure.
    Result Load() override;
    Result Save() override;

    const Handle<GraphObj>& Loaded() const { return loaded_; }

private:
    GraphObj* object_;
    SceneRecordContext* context_;
    uint32_t* particleBudget_;
    Handle<GraphObj> loaded_;
};

}  // namespace vimsa
