#include "demo/model_importer.h"

namespace vimsa {

void ModelImporter::CopyInto(GraphNode& source, GraphNode& target,
                             std::map<GraphNode*, GraphNode*>& copies) {
    copies[&source] = &target;
    for (const Handle<GraphObj>& object : source.objects) {
        // Objects that cannot be copied (cameras, lights) stay with the original.
        if (Handle<GraphObj> copy = object->Clone()) target.AddObject(copy.Get());
    }
    for (const Handle<GraphNode>& child : source.children) {
        Handle<GraphObj> cloned = child->Clone();
        auto* copy = dynamic_cast<GraphNode*>(cloned.Get());
        if (!copy) continue;
        target.AddChild(copy);
        CopyInto(*child, *copy, copies);
    }
}

Handle<AnimationSet> ModelImporter::Instance(GraphNode* source, AnimationSet* animations,
                                             GraphNode* target) {
    if (!source || !target) return nullptr;
    std::map<GraphNode*, GraphNode*> copies;
    CopyInto(*source, *target, copies);
    if (!animations) return nullptr;
    Handle<AnimationSet> set = MakeHandle<AnimationSet>();
    for (size_t i = 0; i < animations->Count(); ++i) {
        Animation* original = animations->At(i);
        if (!original || !original->node) continue;
        const auto copied = copies.find(original->node.Get());
        if (copied == copies.end()) continue;
        Handle<Animation> animation = MakeHandle<Animation>(*original);
        animation->node = copied->second;
        set->Add(animation.Get());
    }
    return set;
}

}  // namespace vimsa
