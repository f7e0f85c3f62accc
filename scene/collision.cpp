#include "scene/collision.h"

#include <algorithm>
#include <vector>

#include "scene/graph_portal.h"
#include "scene/renderable_obj.h"

namespace vimsa {
namespace {

GraphPortal* g_lastPortal = nullptr;

bool Meets(const BoundingVolume* a, const BoundingVolume* b) {
    return a && b && a->Intersects(b) > 0;
}

// Stands for an object's exact triangles at the object's world placement.
GeometryVolume GeometryOf(GraphObj* object) {
    GeometryVolume geometry(object->IsRenderable() ? static_cast<const RenderableObj*>(object)
                                                   : nullptr);
    geometry.placement = object->GetWorldMatrix();
    geometry.debugColour = object->bounds->debugColour;
    geometry.drawEnabled = object->bounds->drawEnabled;
    geometry.drawWireframe = object->bounds->drawWireframe;
    return geometry;
}

// Does an object of `node`'s subtree (placed with its node's world matrix) touch O?
bool SubtreeHits(GraphNode* node, GraphObj* object, const GeometryVolume& geometry) {
    const Matrix4* world = node->GetWorldMatrix();
    for (const Handle<GraphObj>& own : node->objects) {
        if (!own->bounds || !world) continue;
        own->bounds->placement = world;
        if (!Meets(own->bounds.get(), object->bounds.get())) continue;
        if (!object->IsRenderable()) return false;
        if (Meets(own->bounds.get(), &geometry)) return true;
    }
    for (const Handle<GraphNode>& child : node->children) {
        if (child->bounds && SubtreeHits(child.Get(), object, geometry)) return true;
    }
    return false;
}

// Moves the mover into the room behind the portal keeping its world placement.
void CrossInto(GraphNode* mover, GraphPortal* twin) {
    GraphNode* room = twin->parent;
    Vector3 position, direction, up;
    mover->GetPosition(position, RelativeTo::World());
    mover->GetOrientation(direction, up, RelativeTo::World());
    KeepAlive hold(mover);
    mover->parent->RemoveChild(mover);
    room->AddChild(mover);
    Vector3 localPosition;
    room->WorldToLocal(localPosition, position);
    const Matrix4* inverse = room->GetWorldInverse();
    const Vector3 localDirection = inverse ? RotateVector(*inverse, direction) : direction;
    const Vector3 localUp = inverse ? RotateVector(*inverse, up) : up;
    mover->SetPosition(localPosition, RelativeTo::Local());
    mover->SetOrientation(localDirection, localUp, RelativeTo::Local());
}

int32_t TestPortal(GraphNode* mover, GraphPortal* portal, int32_t precision) {
    const Matrix4* portalWorld = portal->GetWorldMatrix();
    if (!portal->bounds || !portalWorld) return kNoCollision;
    portal->bounds->placement = portalWorld;
    if (!Meets(mover->bounds.get(), portal->bounds.get())) return kNoCollision;
    if (precision != 0 && !TouchesPortalContents(mover, portal)) return kNoCollision;
    g_lastPortal = portal;
    const Matrix4* portalInverse = portal->GetWorldInverse();
    const Matrix4* moverWorld = mover->GetWorldMatrix();
    if (!portalInverse || !moverWorld) return kTouchPortal;
    const Matrix4 relative = *portalInverse * *moverWorld;
    if (relative(2, 3) >= 0) return kTouchPortal;
    GraphPortal* twin = portal->Twin();
    // Without a room on the other side (a mirror), the mover stays where it is.
    if (!twin || !twin->parent || !mover->parent) return kTouchPortal;
    CrossInto(mover, twin);
    return kCrossedPortal;
}

// The rooms on the current recursion path: links may form cycles.
using Path = std::vector<const GraphNode*>;

int32_t CollideNodeOnPath(GraphNode* node, GraphNode* mover, int32_t precision, Path& path) {
    if (std::find(path.begin(), path.end(), node) != path.end()) return kNoCollision;
    const Matrix4* world = node->GetWorldMatrix();
    if (!world) return kNoCollision;
    path.push_back(node);
    struct Pop {
        Path& p;
        ~Pop() { p.pop_back(); }
    } pop{path};

    for (size_t i = 0; i < node->objects.size(); ++i) {
        GraphObj* object = node->objects[i].Get();
        if (!object->bounds) continue;
        object->bounds->placement = world;
        if (!Meets(mover->bounds.get(), object->bounds.get())) continue;
        const bool hit =
            precision == 0 ? HitsObjectCoarse(mover, object) : HitsObjectFine(mover, object);
        if (hit) return kHitObject;
    }
    for (GraphNode* linked :
         std::vector<GraphNode*>(node->linkedFrom.begin(), node->linkedFrom.end())) {
        if (!linked->bounds) continue;
        const Matrix4* linkedWorld = linked->GetWorldMatrix();
        if (!linkedWorld) return kNoCollision;
        linked->bounds->placement = linkedWorld;
        if (!Meets(mover->bounds.get(), linked->bounds.get())) continue;
        if (const int32_t r = CollideNodeOnPath(linked, mover, precision, path)) return r;
    }
    for (size_t i = 0; i < node->children.size(); ++i) {
        GraphNode* child = node->children[i].Get();
        if (child == mover) continue;
        if (const int32_t r = CollideNodeOnPath(child, mover, precision, path)) return r;
    }
    for (size_t i = 0; i < node->portals.size(); ++i) {
        Handle<GraphPortal> portal = node->portals[i];  // the crossing may change the lists
        if (const int32_t r = TestPortal(mover, portal.Get(), precision)) return r;
    }
    return kNoCollision;
}

}  // namespace

GraphPortal*& LastPortal() {
    return g_lastPortal;
}

int32_t Collide(GraphNode* mover, int32_t precision) {
    if (!mover || !mover->bounds) return kNoCollision;
    const Matrix4* world = mover->GetWorldMatrix();
    if (!world) return kNoCollision;
    mover->bounds->placement = world;
    return mover->parent ? CollideNode(mover->parent, mover, precision) : kNoCollision;
}

int32_t CollideNode(GraphNode* node, GraphNode* mover, int32_t precision) {
    if (!node || !mover || !mover->bounds) return kNoCollision;
    Path path;
    return CollideNodeOnPath(node, mover, precision, path);
}

bool HitsObjectCoarse(GraphNode* mover, GraphObj* object) {
    if (!mover || !object || !object->IsRenderable() || !mover->bounds || !object->bounds)
        return false;
    const GeometryVolume geometry = GeometryOf(object);
    return Meets(mover->bounds.get(), &geometry);
}

bool HitsObjectFine(GraphNode* mover, GraphObj* object) {
    if (!mover || !object || !object->bounds) return false;
    const GeometryVolume geometry = GeometryOf(object);
    return SubtreeHits(mover, object, geometry);
}

bool TouchesPortalContents(GraphNode* mover, GraphPortal* portal) {
    if (!mover || !portal) return false;
    const Matrix4* world = portal->GetWorldMatrix();
    for (const Handle<GraphObj>& object : portal->objects) {
        if (!object->bounds || !world) continue;
        object->bounds->placement = world;
        if (Meets(mover->bounds.get(), object->bounds.get())) return true;
    }
    for (const Handle<GraphNode>& child : portal->children) {
        if (!child->bounds) continue;
        if (const Matrix4* childWorld = child->GetWorldMatrix())
            child->bounds->placement = childWorld;
        if (Meets(mover->bounds.get(), child->bounds.get())) return true;
    }
    return false;
}

}  // namespace vimsa
