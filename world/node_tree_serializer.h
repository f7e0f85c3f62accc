#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/ref_object.h"
#include "core/result.h"
#include "io/serializer.h"
#include "scene/animation.h"
#include "scene/scene_record_context.h"

namespace vimsa {

class GraphNode;

// The "GNOD" record: a node with its placement ("REPE"), its "GOBJ" record,
// the objects placed at it ("OBJ " entries; bare "MFVF" meshes in version-1
// files), its child nodes, its portals ("GPOR"), the sizes of its link sets
// (the links themselves are not stored), its bounds-valid flag and the
// animation bound to it ("ANIM"), or "UNKN" when the save had no animation
// set. An object file of a scene subtree is the "OGDB" header and one "GNOD".
class NodeTreeSerializer : public Serializer {
public:
    // A particle system is stored as a count: this many particles (four
    // times the largest system) are all one load builds, however many
    // systems its few bytes name.
    static constexpr uint32_t kMaxParticlesPerLoad = 65536;

    // Trees nest at most this deep, on saving and on loading; a deeper node
    // fails its record (a deeply nested file would otherwise exhaust the
    // stack).
    static constexpr int kMaxDepth = 256;

    // What the records of one save or load share: the scene records'
    // identities and portals, the animation set being written or the slot
    // being filled, and how deep the walk is. It lives for that operation.
    struct Context {
        SceneRecordContext scene;
        const AnimationSet* animations = nullptr;       // saving; none writes "UNKN"
        Handle<AnimationSet>* animationSlot = nullptr;  // loading; none skips animations
        int depth = 0;
        // Particles the systems of one load may still build between them.
        uint32_t particleBudget = kMaxParticlesPerLoad;
    };

    // `context` is the operation a nested record belongs to; a serializer
    // used on its own makes one for itself.
    explicit NodeTreeSerializer(GraphNode* target = nullptr, Context* context = nullptr)
        : target_(target), context_(context) {}

    // Writes the object file `name` for the subtree at `node`, with the
    // animations of `animations` (may be null) that are bound to its nodes.
    Result SaveNodeTree(GraphNode* node, const NameRef& name, const AnimationSet* animations);
    // Reads the object file `name` into `node`, which keeps its identity and
    // receives the stored placement, name, bounds, objects, children and
    // portals. Animations are added to the set in `animationSlot` (one is
    // made when the slot is empty) and bound to their nodes; without a slot
    // they are skipped. Once the whole file is read, each portal whose stored
    // twin is another portal of the file is paired with it (both ways).
    Result LoadNodeTree(GraphNode* node, const NameRef& name, Handle<AnimationSet>* animationSlot);
    // The texture paths the last LoadNodeTree found no texture for.
    const std::vector<std::string>& MissingTextures() const { return missingTextures_; }

    // The animation part of `node`'s record: "UNKN" without an animation
    // set, "ANIM" with the first animation of the set bound to the node
    // (that has a track), nothing when there is none.
    Result WriteAnimation(GraphNode* node);
    // Reads the "NSTA" record at the stream's position into a new animation
    // for `node`, when the operation has an animation slot.
    Result ReadAnimation(GraphNode* node);

    // Objects whose record fails are dropped, child nodes are attached and
    // portals kept whatever their records held, and reading goes on with
    // the next entry. The node's own placement and "GOBJ" record, and a
    // stream that fails, decide the result.
    Result Load() override;
    Result Save() override;

private:
    Context& CurrentContext();
    // Starts an operation with a context of its own (none of a previous
    // operation's state is seen) and ends it.
    void BeginOperation();
    void EndOperation();

    void LoadObjects(uint16_t version);
    void LoadChildren();
    void LoadPortals();
    void LoadAnimations(const ChunkHeader& header);
    Result SaveContents();

    GraphNode* target_;
    Context* context_;
    std::unique_ptr<Context> ownContext_;
    std::vector<std::string> missingTextures_;
};

}  // namespace vimsa
