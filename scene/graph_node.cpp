#include "scene/graph_node.h"

#include <algorithm>

#include "core/format_string.h"
#include "render/render_state.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "scene/camera.h"
#include "scene/graph_portal.h"
#include "scene/light.h"
#include "scene/renderable_obj.h"

namespace vimsa {
namespace {

// Removes every entry that holds `object`; false when there was none.
template <typename T, typename U>
bool EraseAll(std::vector<Handle<T>>& list, const U* object) {
    const auto newEnd = std::remove_if(list.begin(), list.end(),
                                       [object](const Handle<T>& h) { return h.Get() == object; });
    if (newEnd == list.end()) return false;
    list.erase(newEnd, list.end());
    return true;
}

}  // namespace

GraphNode::GraphNode() {
    nodeNumber = TakeObjectNumber(NameCounter::Node);
    FormatString(name, kNodeNameFormat, nodeNumber);
    Initialise();
}

GraphNode::GraphNode(NoNumber) {
    Initialise();
}

void GraphNode::Initialise() {
    bounds = std::make_unique<BoundingBox>();
}

GraphNode::~GraphNode() {
    RemoveAllObjects();
    RemoveAllChildren();
    GraphNode::RemoveAllPortals();
    // No link may outlive its target.
    for (GraphNode* from : linkedFrom)
        from->linkedTo.erase(this);
    linkedFrom.clear();
    ClearLinks();
    for (Light* light : includedLights)
        light->includedNodes.erase(this);
    for (Light* light : excludedLights)
        light->excludedNodes.erase(this);
    includedLights.clear();
    excludedLights.clear();
    effectiveLights.clear();
}

bool GraphNode::GetWorldDirection(Vector3& out) {
    Vector3 up;
    return GetOrientation(out, up, RelativeTo::World());
}

bool GraphNode::GetWorldUp(Vector3& out) {
    Vector3 direction;
    return GetOrientation(direction, out, RelativeTo::World());
}

NodeFrame* GraphNode::ParentFrame() {
    return parent;
}

NodeFrame* GraphNode::FirstChildFrame() {
    childCursor_ = 0;
    return NextChildFrame();
}

NodeFrame* GraphNode::NextChildFrame() {
    return childCursor_ < children.size() ? children[childCursor_++].Get() : nullptr;
}

void GraphNode::DetachFromParent() {
    parent->RemoveChild(this);
}

bool GraphNode::AddChild(GraphNode* node) {
    if (!node || node == this) return false;
    if (node->parent == this) return true;  // already ours: re-adding would drop it
    children.emplace_back(node);
    node->SetParent(this, false);
    node->InvalidateWorld();
    return true;
}

bool GraphNode::RemoveChild(GraphNode* node) {
    if (!node) return false;
    KeepAlive hold(node);
    // Its local placement is what it keeps; make sure that side is current.
    node->SettleLocal();
    if (!EraseAll(children, node)) return false;
    node->SetParent(nullptr, true);
    node->InvalidateWorld();
    node->ClearLinks();
    childCursor_ = 0;
    return true;
}

void GraphNode::RemoveAllChildren() {
    for (const Handle<GraphNode>& child : children) {
        child->SettleLocal();
        child->SetParent(nullptr, true);
        child->InvalidateWorld();
        child->ClearLinks();
    }
    children.clear();
    childCursor_ = 0;
}

bool GraphNode::AddObject(GraphObj* object) {
    if (!object) return false;
    if (object->parent == this) return true;
    objects.emplace_back(object);
    object->SetParent(this, false);
    return true;
}

bool GraphNode::RemoveObject(GraphObj* object) {
    if (!object) return false;
    KeepAlive hold(object);
    if (!EraseAll(objects, object)) return false;
    object->SetParent(nullptr, true);
    return true;
}

void GraphNode::RemoveAllObjects() {
    for (const Handle<GraphObj>& object : objects)
        object->SetParent(nullptr, true);
    objects.clear();
}

bool GraphNode::AddPortal(GraphPortal* portal) {
    if (!portal) return false;
    if (portal->parent == this) return true;
    portals.emplace_back(portal);
    portal->SetParent(this, false);
    portal->InvalidateWorld();
    return true;
}

bool GraphNode::RemovePortal(GraphPortal* portal) {
    if (!portal) return false;
    KeepAlive hold(portal);
    portal->SettleLocal();
    if (!EraseAll(portals, portal)) return false;
    portal->SetParent(nullptr, true);
    portal->InvalidateWorld();
    return true;
}

void GraphNode::RemoveAllPortals() {
    for (const Handle<GraphPortal>& portal : portals) {
        portal->SettleLocal();
        portal->SetParent(nullptr, true);
        portal->InvalidateWorld();
    }
    portals.clear();
}

bool GraphNode::LinkTo(GraphNode* node) {
    if (!node) return false;
    linkedTo.insert(node);
    node->linkedFrom.insert(this);
    return true;
}

void GraphNode::ClearLinks() {
    for (GraphNode* to : linkedTo)
        to->linkedFrom.erase(this);
    linkedTo.clear();
}

void GraphNode::Enumerate(EnumerateCallback callback, uint32_t flags, void* data, bool recurse) {
    if (!callback) return;
    if (flags & kEnumerateSelf) callback(this, data);
    if (flags & kEnumerateObjects) {
        for (size_t i = 0; i < objects.size(); ++i)
            callback(objects[i].Get(), data);
    }
    if (flags & kEnumeratePortals) {
        for (size_t i = 0; i < portals.size(); ++i)
            callback(portals[i].Get(), data);
    }
    if (recurse) {
        for (size_t i = 0; i < children.size(); ++i)
            children[i]->Enumerate(callback, flags, data, true);
    }
}

void GraphNode::PlaceBounds(GraphNode* node) {
    if (!node->bounds) return;
    // Without a derivable matrix the bounds keep their previous placement.
    if (const Matrix4* world = node->GetWorldMatrix()) node->bounds->placement = world;
}

int GraphNode::RenderAll(Camera* camera, int32_t stamp) {
    frameStamp = stamp;
    int visited = 1;
    // A frame draws what it can: an object that fails to draw does not stop it.
    (void)RenderContents(camera);
    for (size_t i = 0; i < children.size(); ++i) {
        GraphNode* child = children[i].Get();
        PlaceBounds(child);
        visited += child->RenderAll(camera, stamp);
    }
    for (GraphNode* linked : std::vector<GraphNode*>(linkedFrom.begin(), linkedFrom.end())) {
        // Links may form cycles; a node already drawn in this pass is not entered again.
        if (linked->frameStamp == stamp) continue;
        PlaceBounds(linked);
        visited += linked->RenderAll(camera, stamp);
    }
    return visited;
}

Result GraphNode::RenderContents(Camera* camera) {
    if (!camera) return ERR_NULL_ARGUMENT;
    // Bounding boxes draw with the current camera: it must be this pass's
    // camera even where no object of the node sets it.
    SetCurrentCamera(camera);
    if (!objects.empty()) {
        UpdateLights(this, false);
        if (Renderer* renderer = CurrentRenderer()) renderer->SetNodeLights(this);
    }
    // Every object is drawn even when one fails; the first failure is answered.
    Result first = RESULT_OK;
    const auto keep = [&first](Result r) {
        if (Failed(r) && Succeeded(first)) first = r;
    };
    const Matrix4* world = GetWorldMatrix();
    for (size_t i = 0; i < objects.size(); ++i) {
        GraphObj* object = objects[i].Get();
        if (object->drawOnce && camera->IsDrawn(object)) continue;
        if (!object->visible) continue;
        if (object->bounds && world) object->bounds->placement = world;
        if (!camera->IsInView(object)) continue;
        object->SetCamera(camera);
        if (!object->bounds || camera->clipVolume.Intersects(object->bounds.get()) > 0) {
            keep(object->Render());
            if (object->drawOnce) camera->AddDrawn(object);
        }
        if (object->bounds) keep(object->bounds->Draw(this));
    }
    if (bounds) keep(bounds->Draw(this));
    return first;
}

bool GraphNode::UpdateBounds(bool recurse) {
    if (!bounds) return false;
    bounds->Reset();
    boundsValid = 0;
    for (size_t i = 0; i < children.size(); ++i) {
        GraphNode* child = children[i].Get();
        if (recurse) child->UpdateBounds(true);
        if (!child->boundsValid || !child->bounds) continue;
        std::unique_ptr<BoundingVolume> copy = child->bounds->Clone();
        if (!copy) continue;
        copy->Reset();
        copy->Merge(*child->bounds);
        if (Failed(copy->TransformBy(child->GetLocalMatrix()))) continue;
        bounds->Merge(*copy);
        boundsValid = 1;
    }
    for (const Handle<GraphObj>& object : objects) {
        if (!object->IsRenderable() || !object->bounds) continue;
        bounds->Merge(*object->bounds);
        boundsValid = 1;
    }
    for (const Handle<GraphPortal>& portal : portals) {
        if (!portal->boundsValid || !portal->bounds) continue;
        bounds->Merge(*portal->bounds);
        boundsValid = 1;
    }
    return true;
}

Handle<GraphObj> GraphNode::Clone() {
    Handle<GraphNode> copy = MakeHandle<GraphNode>();
    copy->CopyCloneData(*this);
    Vector3 position, direction, up;
    if (!GetPosition(position, RelativeTo::Local()) ||
        !GetOrientation(direction, up, RelativeTo::Local())) {
        return nullptr;
    }
    copy->SetPosition(position, RelativeTo::Local());
    copy->SetOrientation(direction, up, RelativeTo::Local());
    return copy;
}

int EnumerateShowBounds(GraphObj* object, void* data) {
    if (object && data && object->bounds)
        object->bounds->drawEnabled = *static_cast<uint8_t*>(data);
    return 0;
}

int EnumerateSetBoundsColour(GraphObj* object, void* data) {
    if (object && data && object->bounds) object->bounds->SetColour(*static_cast<Vector4*>(data));
    return 0;
}

int EnumerateSetDrawOnce(GraphObj* object, void* data) {
    if (!object || !data) return ERR_NULL_ARGUMENT;
    object->drawOnce = *static_cast<uint8_t*>(data);
    return 0;
}

int EnumerateSetPortalActive(GraphObj* object, void* data) {
    if (!object || !data || object->GetType() != ObjectType::GraphPortal) return 0;
    auto* portal = static_cast<GraphPortal*>(object);
    if (portal->portalKind != 0) portal->SetActive(*static_cast<uint8_t*>(data) != 0);
    return 0;
}

}  // namespace vimsa
