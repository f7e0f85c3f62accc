#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/matrix.h"
#include "core/object_names.h"
#include "core/ref_object.h"
#include "core/result.h"
#include "scene/bounding_volume.h"

namespace vimsa {

class Camera;
class GraphNode;

// Base of every scene object: a name, a type number, the node that holds it
// and an optional bounding volume. Objects have no placement of their own;
// the node that holds them places them.
class GraphObj : public RefObject {
public:
    GraphObj() = default;
    ~GraphObj() override;

    virtual ObjectType GetType() const { return ObjectType::GraphObj; }
    // Collision tests only consider renderable objects.
    virtual bool IsRenderable() const { return false; }
    // Moves the object under `node`. Unless keepOld is set, the old parent is
    // asked to remove it first. Returns the reference count left afterwards
    // (0 when the move dropped the last reference and destroyed the object).
    virtual int32_t SetParent(GraphNode* node, bool keepOld);
    virtual void SetCamera(Camera* /*camera*/) {}
    virtual Result Render() { return RESULT_OK; }
    virtual bool UpdateBounds(bool /*recurse*/) { return true; }
    virtual void SetActive(bool /*active*/) {}
    virtual Handle<GraphObj> Clone() { return nullptr; }

    // World placement, read from the node that holds the object. False
    // without a parent or when the value cannot be derived.
    // A node answers with its own placement.
    virtual bool GetWorldPosition(Vector3& out);
    virtual bool GetWorldDirection(Vector3& out);
    virtual bool GetWorldUp(Vector3& out);
    virtual const Matrix4* GetWorldMatrix();
    virtual const Matrix4* GetWorldMatrixTransposed();
    virtual const Matrix4* GetWorldInverse();

    GraphNode* parent = nullptr;  // not counted
    std::unique_ptr<BoundingVolume> bounds;
    uint8_t boundsFlag = 0;
    int32_t reserved = -1;
    int32_t frameStamp = -1;
    uint8_t drawOnce = 0;
    std::string name = kGraphObjName;
    uint8_t visible = 1;

protected:
    // Copies what a clone shares with its source: the bounds flag, the
    // reserved value, the frame stamp and the name followed by " clone".
    void CopyCloneData(const GraphObj& source);
    // Removes this object from its parent's containers.
    virtual void DetachFromParent();
};

}  // namespace vimsa
