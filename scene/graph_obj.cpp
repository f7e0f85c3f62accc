#include "scene/graph_obj.h"

#include "scene/graph_node.h"

namespace vimsa {

GraphObj::~GraphObj() = default;

void GraphObj::DetachFromParent() {
    parent->RemoveObject(this);
}

int32_t GraphObj::SetParent(GraphNode* node, bool keepOld) {
    AddRef();  // the old parent may hold the last reference
    if (parent && !keepOld) DetachFromParent();
    parent = node;
    return Release();
}

void GraphObj::CopyCloneData(const GraphObj& source) {
    boundsFlag = source.boundsFlag;
    reserved = source.reserved;
    frameStamp = source.frameStamp;
    name = source.name + " clone";
}

bool GraphObj::GetWorldPosition(Vector3& out) {
    return parent && parent->GetWorldPosition(out);
}

bool GraphObj::GetWorldDirection(Vector3& out) {
    return parent && parent->GetWorldDirection(out);
}

bool GraphObj::GetWorldUp(Vector3& out) {
    return parent && parent->GetWorldUp(out);
}

const Matrix4* GraphObj::GetWorldMatrix() {
    return parent ? parent->GetWorldMatrix() : nullptr;
}

const Matrix4* GraphObj::GetWorldMatrixTransposed() {
    return parent ? parent->GetWorldMatrixTransposed() : nullptr;
}

const Matrix4* GraphObj::GetWorldInverse() {
    return parent ? parent->GetWorldInverse() : nullptr;
}

}  // namespace vimsa
