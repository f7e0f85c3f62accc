#pragma once

#include <map>

#include "core/ref_object.h"
#include "scene/animation.h"
#include "scene/graph_node.h"

namespace vimsa {

// Copies a loaded model to other places in the scene: the same props stand
// in several rooms without reading their files again.
class ModelImporter {
public:
    // Copies `source`'s objects and child nodes (recursively) under
    // `target`, each object through its own Clone. When `animations` is
    // given, the answer holds a copy of each of its animations whose node
    // was copied, bound to the copy; otherwise it is null.
    Handle<AnimationSet> Instance(GraphNode* source, AnimationSet* animations, GraphNode* target);

private:
    void CopyInto(GraphNode& source, GraphNode& target, std::map<GraphNode*, GraphNode*>& copies);
};

}  // namespace vimsa
