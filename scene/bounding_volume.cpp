#include "scene/bounding_volume.h"

#include <algorithm>

#include "render/render_state.h"
#include "render/renderer.h"
#include "render/texture.h"
#include "scene/graph_node.h"
#include "scene/pair_tests.h"
#include "scene/renderable_obj.h"

namespace vimsa {

int BoundingBox::kindIndex = -1;
int BoundingSphere::kindIndex = -1;
int GeometryVolume::kindIndex = -1;
int FrustumVolume::kindIndex = -1;
int PlaneSetVolume::kindIndex = -1;

BoundingVolume::BoundingVolume() = default;

// A copy has the same shape and draw settings but no placement of its own.
BoundingVolume::BoundingVolume(const BoundingVolume& other)
    : debugMesh(nullptr),
      drawEnabled(other.drawEnabled),
      drawWireframe(other.drawWireframe),
      debugColour(other.debugColour) {}

BoundingVolume::~BoundingVolume() = default;

bool BoundingVolume::ResetAndAddPoints(const Vector3* points, int count) {
    Reset();
    return AddPoints(points, count);
}

Result BoundingVolume::Intersects(const BoundingVolume* other) const {
    return PairTests::Instance().Intersects(this, other);
}

Result BoundingVolume::Draw(GraphNode* node) {
    if (!node) return ERR_NULL_ARGUMENT;
    if (!debugMesh || !drawEnabled) return RESULT_OK;
    Renderer* renderer = CurrentRenderer();
    if (!renderer) return ERR_NO_RENDERER;
    const bool wasSolid = renderer->IsSolid();
    if (drawWireframe) renderer->SetSolid(false);
    // The mesh takes the node's placement only while it is drawn.
    RenderableObj* mesh = debugMesh.Get();
    GraphNode* const oldParent = mesh->parent;
    mesh->parent = node;
    const Result result = mesh->Render();
    mesh->parent = oldParent;
    renderer->SetSolid(wasSolid);
    return result;
}

// --- box ---

BoundingBox::BoundingBox() {
    BuildCorners();
}

BoundingBox::BoundingBox(Vector3 minimum, Vector3 maximum) {
    Set(minimum, maximum);
}

std::unique_ptr<BoundingVolume> BoundingBox::Clone() const {
    auto copy = std::make_unique<BoundingBox>(*this);
    return copy;
}

bool BoundingBox::Reset() {
    minimum = {1e8f, 1e8f, 1e8f};
    maximum = {-1e8f, -1e8f, -1e8f};
    return true;
}

void BoundingBox::Set(Vector3 newMinimum, Vector3 newMaximum) {
    minimum = newMinimum;
    maximum = newMaximum;
    BuildCorners();
}

bool BoundingBox::AddPoints(const Vector3* points, int count) {
    if (!points && count > 0) return false;
    for (int i = 0; i < count; ++i) {
        const Vector3 p = points[i];
        minimum = {std::min(minimum.x, p.x), std::min(minimum.y, p.y), std::min(minimum.z, p.z)};
        maximum = {std::max(maximum.x, p.x), std::max(maximum.y, p.y), std::max(maximum.z, p.z)};
    }
    BuildCorners();
    return true;
}

bool BoundingBox::Merge(const BoundingVolume& other) {
    const auto* box = dynamic_cast<const BoundingBox*>(&other);
    if (!box) return false;
    const Vector3 extremes[2] = {box->minimum, box->maximum};
    return AddPoints(extremes, 2);
}

void BoundingBox::BuildCorners() {
    const Vector3 m = minimum, M = maximum;
    corners[0] = {m.x, m.y, m.z, 1};
    corners[1] = {m.x, M.y, m.z, 1};
    corners[2] = {M.x, M.y, m.z, 1};
    corners[3] = {M.x, m.y, m.z, 1};
    corners[4] = {m.x, m.y, M.z, 1};
    corners[5] = {m.x, M.y, M.z, 1};
    corners[6] = {M.x, M.y, M.z, 1};
    corners[7] = {M.x, m.y, M.z, 1};
    if (debugMesh) {
        const int n = std::min(8, debugMesh->VertexCount());
        for (int i = 0; i < n; ++i)
            debugMesh->SetVertexPosition(i, XYZ(corners[i]));
    }
}

void BoundingBox::SetColour(Vector4 colour) {
    debugColour = colour;
    if (!debugMesh) return;
    for (int i = 0; i < debugMesh->VertexCount(); ++i)
        debugMesh->SetVertexColour(i, colour);
}

Result BoundingBox::TransformBy(const Matrix4* matrix) {
    if (!matrix) return ERR_NULL_ARGUMENT;
    const Vector4 old[8] = {corners[0], corners[1], corners[2], corners[3],
                            corners[4], corners[5], corners[6], corners[7]};
    Reset();
    Vector3 moved[8];
    for (int i = 0; i < 8; ++i)
        moved[i] = XYZ(TransformVector4(*matrix, old[i]));
    AddPoints(moved, 8);
    return RESULT_OK;
}

// --- sphere, geometry, frustum ---

std::unique_ptr<BoundingVolume> BoundingSphere::Clone() const {
    return std::make_unique<BoundingSphere>(*this);
}

std::unique_ptr<BoundingVolume> GeometryVolume::Clone() const {
    return std::make_unique<GeometryVolume>(*this);
}

std::unique_ptr<BoundingVolume> FrustumVolume::Clone() const {
    auto copy = std::make_unique<FrustumVolume>(*this);
    copy->clipMatrix = nullptr;
    return copy;
}

// --- plane set ---

std::unique_ptr<BoundingVolume> PlaneSetVolume::Clone() const {
    return std::make_unique<PlaneSetVolume>(*this);
}

int PlaneSetVolume::PushPlane(Vector4 plane) {
    if (planeCount == planeCapacity) {
        const size_t grown = static_cast<size_t>(planeCapacity) + kGrowth;
        planes.resize(grown);
        inUse.resize(grown, 0);
        planeCapacity = static_cast<int>(grown);
    }
    for (int slot = 0; slot < planeCapacity; ++slot) {
        if (inUse[slot]) continue;
        planes[slot] = plane;
        inUse[slot] = 1;
        ++planeCount;
        return slot;
    }
    return -1;
}

bool PlaneSetVolume::PopPlane(int slot) {
    if (slot >= planeCapacity) return false;
    if (slot >= 0) inUse[slot] = 0;
    return true;
}

void PlaneSetVolume::ResetPlanes() {
    planes.clear();
    planes.shrink_to_fit();
    inUse.clear();
    inUse.shrink_to_fit();
    planeCount = 0;
    planeCapacity = 0;
}

int PlaneSetVolume::ActivePlanes() const {
    return static_cast<int>(std::count(inUse.begin(), inUse.end(), uint8_t{1}));
}

}  // namespace vimsa
