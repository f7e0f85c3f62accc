#include "world/node_tree_serializer.h"

#include "scene/animation_records.h"
#include "scene/graph_node.h"
#include "scene/graph_obj_serializer.h"
#include "scene/graph_portal.h"
#include "scene/node_frame_serializer.h"
#include "scene/portal_serializer.h"
#include "world/mesh_base.h"
#include "world/mesh_serializer.h"
#include "world/object_entry_serializer.h"

namespace vimsa {
namespace {

constexpr ChunkTag kNodeTag("GNOD");
constexpr ChunkTag kAnimationTag("ANIM");
constexpr ChunkTag kNoAnimationTag("UNKN");
constexpr uint16_t kVersion = 2;
// Version-1 nodes hold bare mesh records instead of "OBJ " entries.
constexpr uint16_t kFirstObjectEntryVersion = 2;

// Counts one level of the tree for as long as it lives.
class DepthStep {
public:
    explicit DepthStep(int& depth) : depth_(depth) { ++depth_; }
    ~DepthStep() { --depth_; }
    DepthStep(const DepthStep&) = delete;
    DepthStep& operator=(const DepthStep&) = delete;

private:
    int& depth_;
};

// Keeps the first failure of a record's parts.
void KeepFirst(Result& first, Result next) {
    if (Succeeded(first)) first = next;
}

}  // namespace

NodeTreeSerializer::Context& NodeTreeSerializer::CurrentContext() {
    if (!context_) {
        ownContext_ = std::make_unique<Context>();
        context_ = ownContext_.get();
    }
    return *context_;
}

void NodeTreeSerializer::BeginOperation() {
    EndOperation();
    CurrentContext();
}

void NodeTreeSerializer::EndOperation() {
    context_ = nullptr;
    ownContext_.reset();
}

// --- files ---

Result NodeTreeSerializer::SaveNodeTree(GraphNode* node, const NameRef& name,
                                        const AnimationSet* animations) {
    if (!node) return ERR_NULL_ARGUMENT;
    SetName(name);
    target_ = node;
    BeginOperation();
    context_->animations = animations;
    const Result result = SaveToFile();
    EndOperation();
    return result;
}

Result NodeTreeSerializer::LoadNodeTree(GraphNode* node, const NameRef& name,
                                        Handle<AnimationSet>* animationSlot) {
    if (!node || name.Empty()) return ERR_NULL_ARGUMENT;
    SetName(name);
    target_ = node;
    BeginOperation();
    context_->animationSlot = animationSlot;
    const Result result = LoadFromFile(name);
    // Twins are paired only in a tree that loaded whole; a caller dropping
    // a failed tree would otherwise be left with pairs holding each other.
    if (Succeeded(result)) context_->scene.PairPortals();
    missingTextures_ = context_->scene.MissingTextures();
    EndOperation();
    return result;
}

// --- animations ---

Result NodeTreeSerializer::WriteAnimation(GraphNode* node) {
    const Context& context = CurrentContext();
    if (!context.animations) return EndRecord(BeginRecord(kNoAnimationTag, 1));
    Animation* found = nullptr;
    for (size_t i = 0; i < context.animations->Count() && !found; ++i) {
        Animation* a = context.animations->At(i);
        // An animation without a track plays nothing and has nothing to store.
        if (a && a->node.Get() == node && a->track) found = a;
    }
    if (!found) return RESULT_OK;
    const uint32_t start = BeginRecord(kAnimationTag, 1);
    AnimationSerializer writer(found);
    const Result written = writer.SaveToStream(Stream());
    return EndRecord(start, written);
}

Result NodeTreeSerializer::ReadAnimation(GraphNode* node) {
    Handle<AnimationSet>* slot = CurrentContext().animationSlot;
    if (!slot || !node) return RESULT_OK;
    if (!*slot) *slot = MakeHandle<AnimationSet>();
    Handle<Animation> animation = MakeHandle<Animation>();
    AnimationSerializer reader(animation.Get());
    const Result read = LoadNested(reader);
    if (Failed(read)) return read;
    (*slot)->Add(animation.Get());
    animation->BindNode(node);
    return RESULT_OK;
}

// --- GNOD ---

Result NodeTreeSerializer::Load() {
    if (!target_) return ERR_NULL_ARGUMENT;
    ChunkHeader header;
    uint16_t version = 0;
    const Result opened = OpenRecord(kNodeTag, header, &version);
    if (Failed(opened)) return opened;
    Context& context = CurrentContext();
    if (context.depth >= kMaxDepth) return ERR_OUT_OF_RANGE;
    const DepthStep step(context.depth);

    NodeFrameSerializer frame(target_);
    Result result = LoadNested(frame);
    GraphObjSerializer object(target_, &context.scene);
    KeepFirst(result, LoadNested(object));
    LoadObjects(version);
    LoadChildren();
    LoadPortals();
    ReadU32();  // the link counts: links are not stored, so they are not restored
    ReadU32();
    const uint8_t boundsValid = ReadU8();
    if (IsBad()) return StreamResult();
    target_->boundsValid = boundsValid;
    LoadAnimations(header);
    KeepFirst(result, StreamResult());
    return result;
}

void NodeTreeSerializer::LoadObjects(uint16_t version) {
    Context& context = CurrentContext();
    const uint32_t count = ReadU32();
    for (uint32_t i = 0; i < count && !IsBad(); ++i) {
        if (version < kFirstObjectEntryVersion) {
            Handle<MeshBase> mesh = MakeHandle<MeshBase>();
            MeshSerializer reader(mesh.Get(), &context.scene);
            if (Succeeded(LoadNested(reader))) target_->AddObject(mesh.Get());
            continue;
        }
        // An entry that fails drops its object; the next entry starts at
        // this one's end all the same.
        ObjectEntrySerializer entry(nullptr, &context.scene, &context.particleBudget);
        if (Succeeded(LoadNested(entry)) && entry.Loaded())
            target_->AddObject(entry.Loaded().Get());
    }
}

void NodeTreeSerializer::LoadChildren() {
    Context& context = CurrentContext();
    const uint32_t count = ReadU32();
    for (uint32_t i = 0; i < count && !IsBad(); ++i) {
        Handle<GraphNode> child = MakeHandle<GraphNode>();
        NodeTreeSerializer reader(child.Get(), &context);
        // A child is attached with whatever its record held.
        (void)LoadNested(reader);
        target_->AddChild(child.Get());
    }
}

void NodeTreeSerializer::LoadPortals() {
    Context& context = CurrentContext();
    const uint32_t count = ReadU32();
    for (uint32_t i = 0; i < count && !IsBad(); ++i) {
        Handle<GraphPortal> portal = MakeHandle<GraphPortal>();
        target_->AddPortal(portal.Get());
        PortalSerializer reader(portal.Get(), &context.scene);
        // A portal stays with whatever its record held.
        (void)LoadNested(reader);
    }
}

void NodeTreeSerializer::LoadAnimations(const ChunkHeader& header) {
    // A node saved with an animation set that has nothing for it ends here:
    // reading a child then would take the next record for one.
    if (Tell() >= header.end) return;
    // A record cut short shows in the stream, which Load reports.
    ForEachChild(*Stream(), header, [&](const ChunkHeader& child, uint16_t) {
        // An animation that cannot be read is left out; the node stands.
        if (child.tag == kAnimationTag) (void)ReadAnimation(target_);
    });
}

Result NodeTreeSerializer::Save() {
    if (!target_) return ERR_NULL_ARGUMENT;
    if (!Stream()) return ERR_SERIAL_NO_STREAM;
    Context& context = CurrentContext();
    if (context.depth >= kMaxDepth) return ERR_OUT_OF_RANGE;
    const DepthStep step(context.depth);
    const uint32_t start = BeginRecord(kNodeTag, kVersion);
    const Result written = SaveContents();
    return EndRecord(start, written);
}

Result NodeTreeSerializer::SaveContents() {
    Context& context = CurrentContext();
    GraphNode& node = *target_;
    NodeFrameSerializer frame(&node);
    Result result = frame.SaveToStream(Stream());
    GraphObjSerializer object(&node, &context.scene);
    KeepFirst(result, object.SaveToStream(Stream()));

    WriteU32(static_cast<uint32_t>(node.objects.size()));
    for (const Handle<GraphObj>& o : node.objects) {
        ObjectEntrySerializer entry(o.Get(), &context.scene);
        KeepFirst(result, entry.SaveToStream(Stream()));
    }
    WriteU32(static_cast<uint32_t>(node.children.size()));
    for (const Handle<GraphNode>& child : node.children) {
        NodeTreeSerializer writer(child.Get(), &context);
        KeepFirst(result, writer.SaveToStream(Stream()));
    }
    WriteU32(static_cast<uint32_t>(node.portals.size()));
    for (const Handle<GraphPortal>& portal : node.portals) {
        PortalSerializer writer(portal.Get(), &context.scene);
        KeepFirst(result, writer.SaveToStream(Stream()));
    }
    WriteU32(static_cast<uint32_t>(node.linkedFrom.size()));
    WriteU32(static_cast<uint32_t>(node.linkedTo.size()));
    WriteU8(node.boundsValid);
    KeepFirst(result, WriteAnimation(&node));
    return result;
}

}  // namespace vimsa
