#pragma once

#include "scene/transform.h"

namespace vimsa {

class NodeFrame;

// Names the frame a placement is given in: the node's own local frame (its
// parent's space), the world, or another node's frame.
struct RelativeTo {
    enum class Kind : uint8_t { Local, World, Frame };
    Kind kind = Kind::World;
    NodeFrame* frame = nullptr;

    static constexpr RelativeTo Local() { return {Kind::Local, nullptr}; }
    static constexpr RelativeTo World() { return {Kind::World, nullptr}; }
    // A null frame means the world.
    static constexpr RelativeTo Frame(NodeFrame* f) {
        return f ? RelativeTo{Kind::Frame, f} : World();
    }
};

// The placement of a node: relative to its parent (local) and in the world.
// Either side may be set; the other is derived on demand through the parent's
// world matrix or its inverse and cached until a setter invalidates it.
//
// On its own a NodeFrame is a free frame without parent or children; scene
// nodes supply the hierarchy through the virtual navigation slots.
class NodeFrame {
public:
    using Item = Transform::Item;

    NodeFrame() = default;
    NodeFrame(const NodeFrame&) = default;
    NodeFrame& operator=(const NodeFrame&) = default;
    virtual ~NodeFrame() = default;

    virtual NodeFrame* ParentFrame() { return nullptr; }
    // Restarts this node's child cursor.
    virtual NodeFrame* FirstChildFrame() { return nullptr; }
    virtual NodeFrame* NextChildFrame() { return nullptr; }
    // Invalidate the world position (or orientation and position) and the
    // world matrices of every descendant.
    virtual void InvalidateChildPositions();
    virtual void InvalidateChildOrientations();

    // Setters. A frame given as reference whose world matrix cannot be built
    // makes them return false and change nothing else.
    bool SetPosition(Vector3 p, RelativeTo relative = RelativeTo::Local());
    bool SetOrientation(Vector3 direction, Vector3 up, RelativeTo relative = RelativeTo::Local());

    bool GetPosition(Vector3& out, RelativeTo relative = RelativeTo::Local());
    bool GetOrientation(Vector3& outDirection, Vector3& outUp,
                        RelativeTo relative = RelativeTo::Local());

    bool LocalToWorld(Vector3& out, Vector3 p);
    bool WorldToLocal(Vector3& out, Vector3 p);

    // Cached matrices, derived on demand; null when they cannot be derived.
    const Matrix4* GetWorldMatrix();
    const Matrix4* GetWorldTransposed();
    const Matrix4* GetWorldInverse();
    const Matrix4* GetLocalMatrix();
    const Matrix4* GetLocalTransposed();
    const Matrix4* GetLocalInverse();

    // Derives one item of one side; false when it cannot be derived.
    bool DeriveWorld(Item item);
    bool DeriveLocal(Item item);

    // Invalidates the whole world side (re-parenting): the local placement is
    // kept and the world placement follows the new parent.
    void InvalidateWorld();

    // Before this frame's placement changes, makes sure every descendant has
    // a valid local placement. A descendant placed in world coordinates has
    // only its world side valid; without this its world placement would later
    // be re-derived from a stale local value once this frame moves.
    void SettleDescendants();
    // Derives every invalid local item from the world side while the parent
    // is still the one the world side was set under.
    void SettleLocal();

    Transform local;
    Transform world;

private:
    // Stores `value` on the side named by `relative`, mirrored to the other
    // side for a frame without parent.
    bool Place(Item item, Vector3 value, RelativeTo relative);
};

}  // namespace vimsa
