#include "scene/portal_render.h"

#include <algorithm>
#include <array>
#include <vector>

#include "render/render_state.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "scene/camera.h"
#include "scene/graph_portal.h"
#include "scene/renderable_obj.h"

namespace vimsa {
namespace {

bool g_portalClipping = true;

// Nodes being rendered right now. Links may form cycles, so a linked node
// already on this path is not entered again.
std::vector<const GraphNode*> g_renderPath;

// Pushes the four planes through the eye and the edges of the portal's
// opening; returns the slots to pop.
std::array<int, 4> PushOpeningPlanes(GraphPortal& portal, Camera& camera) {
    const auto* box = static_cast<const BoundingBox*>(portal.bounds.get());
    const Vector3 m = box->minimum, M = box->maximum;
    const Vector3 opening[4] = {{M.x, m.y, 0}, {M.x, M.y, 0}, {m.x, M.y, 0}, {m.x, m.y, 0}};
    const Matrix4 toView = camera.viewMatrix * *portal.GetWorldMatrix();
    Vector3 corners[4];
    for (int i = 0; i < 4; ++i)
        corners[i] = TransformPoint3(toView, opening[i]);
    std::array<int, 4> slots{};
    for (int i = 0; i < 4; ++i) {
        Vector3 n = Cross(corners[i], corners[(i + 1) % 4] - corners[i]);
        if (camera.mirrored) n = -n;
        slots[i] = camera.clipVolume.PushPlane({n.x, n.y, n.z, 0});
    }
    return slots;
}

// Renders the target room as seen in a mirror: a temporary camera reflected
// through the portal plane, with front faces culled while it draws.
void RenderThroughMirror(GraphPortal& portal, GraphNode& target, Camera& camera, Vector3 localEye,
                         int32_t stamp, int32_t& stats, Renderer* renderer) {
    Matrix4 rotation = *portal.GetWorldMatrix();
    Matrix4 inverseRotation = *portal.GetWorldInverse();
    for (int r = 0; r < 3; ++r)
        rotation(r, 3) = inverseRotation(r, 3) = 0;
    Vector3 direction, up;
    camera.GetWorldDirection(direction);
    camera.GetWorldUp(up);
    const Matrix4& mirror = portal.mirrorMatrix;
    auto reflect = [&](Vector3 v) {
        return RotateVector(rotation, RotateVector(mirror, RotateVector(inverseRotation, v)));
    };
    const Vector3 position =
        TransformPoint3(*portal.GetWorldMatrix(), TransformPoint3(mirror, localEye));

    // The reflected eye lives on the heap: objects drawn through the mirror
    // may keep a counted reference to the camera they were drawn with, and
    // that reference must never outlive the object it names.
    const Handle<GraphNode> eyeNode = MakeHandle<GraphNode>();
    const Handle<Camera> eye = MakeHandle<Camera>(camera);
    eyeNode->AddObject(eye.Get());
    eyeNode->SetPosition(position, RelativeTo::Local());
    eyeNode->SetOrientation(reflect(direction), reflect(up), RelativeTo::Local());
    eye->mirrored = camera.mirrored ? 0 : 1;
    eye->ComputeMatrices();
    for (int slot = 0;
         slot < camera.clipVolume.planeCount && slot < camera.clipVolume.planeCapacity; ++slot) {
        eye->clipVolume.PushPlane(camera.clipVolume.inUse[slot] ? camera.clipVolume.planes[slot]
                                                                : Vector4{});
    }
    eye->clipVolume.placement = &eye->worldMatrix;

    // Drawing through the mirror makes the reflected eye the current camera;
    // whatever is drawn after the mirror must see the camera it had before.
    Camera* const current = CurrentCamera();
    if (renderer) {
        renderer->Begin3D(eye.Get());
        renderer->SetCullFront(eye->mirrored != 0);
    }
    RenderPortals(&target, eye.Get(), stamp, stats);
    if (renderer) {
        renderer->SetCullFront(camera.mirrored != 0);
        renderer->Begin3D(&camera);
    }
    SetCurrentCamera(current);
    eyeNode->RemoveObject(eye.Get());
}

void RenderThroughPortal(GraphNode& node, GraphPortal& portal, Camera& camera, int32_t stamp,
                         int32_t& stats) {
    GraphPortal* destination = portal.Twin();
    if (!destination) {
        if (portal.portalKind != GraphPortal::kMirror) return;
        destination = &portal;
    }
    GraphNode* target = destination->parent;
    if (const Matrix4* world = portal.GetWorldMatrix(); world && portal.bounds) {
        portal.bounds->placement = world;
    }
    if (!portal.active || !camera.IsInView(&portal)) return;
    if (!portal.bounds || camera.clipVolume.Intersects(portal.bounds.get()) <= 0) return;
    Vector3 eye, localEye;
    if (!camera.GetWorldPosition(eye) || !portal.WorldToLocal(localEye, eye)) return;
    if (!(localEye.z > 0)) return;  // the camera must stand on the side the portal faces
    if (!target) return;

    Renderer* renderer = CurrentRenderer();
    const bool stencil = renderer && renderer->UsesStencil();
    if (stencil) {
        renderer->BeginStencilWrite();
        (void)node.RenderContents(&camera);  // see RenderPortals
        renderer->BeginStencilTest();
    }
    const bool clipping = g_portalClipping;
    std::array<int, 4> slots{};
    if (clipping) slots = PushOpeningPlanes(portal, camera);
    if (portal.hasMirrorMatrix) {
        RenderThroughMirror(portal, *target, camera, localEye, stamp, stats, renderer);
    } else {
        RenderPortals(target, &camera, stamp, stats);
    }
    if (clipping) {
        for (int slot : slots)
            camera.clipVolume.PopPlane(slot);
    }
    if (stencil) renderer->EndStencil();
}

void PlaceNodeBounds(GraphNode* node) {
    if (!node->bounds) return;
    if (const Matrix4* world = node->GetWorldMatrix()) node->bounds->placement = world;
}

}  // namespace

bool IsPortalClipping() {
    return g_portalClipping;
}
void SetPortalClipping(bool clipping) {
    g_portalClipping = clipping;
}

void RenderPortals(GraphNode* node, Camera* camera, int32_t stamp, int32_t& stats) {
    if (!node || !camera) return;
    node->frameStamp = stamp;
    ++stats;
    g_renderPath.push_back(node);
    for (size_t i = 0; i < node->portals.size(); ++i) {
        const Handle<GraphPortal> portal = node->portals[i];
        RenderThroughPortal(*node, *portal, *camera, stamp, stats);
    }
    // A frame draws what it can: an object that fails to draw does not stop it.
    (void)node->RenderContents(camera);
    for (size_t i = 0; i < node->children.size(); ++i) {
        GraphNode* child = node->children[i].Get();
        PlaceNodeBounds(child);
        RenderPortals(child, camera, stamp, stats);
    }
    for (GraphNode* linked :
         std::vector<GraphNode*>(node->linkedFrom.begin(), node->linkedFrom.end())) {
        if (std::find(g_renderPath.begin(), g_renderPath.end(), linked) != g_renderPath.end())
            continue;
        PlaceNodeBounds(linked);
        RenderPortals(linked, camera, stamp, stats);
    }
    g_renderPath.pop_back();
}

int32_t RenderFrom(Camera* camera, int32_t stamp, int32_t& stats) {
    if (!camera || !camera->parent) return 0;
    const int32_t before = stats;
    camera->clipVolume.placement = &camera->worldMatrix;
    camera->clipVolume.ResetPlanes();
    GraphNode* room = camera->parent->parent;
    if (!room) return 0;
    RenderPortals(room, camera, stamp, stats);
    return stats - before;
}

}  // namespace vimsa
