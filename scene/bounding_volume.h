#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/matrix.h"
#include "core/ref_object.h"
#include "core/result.h"

namespace vimsa {

class GraphNode;
class RenderableObj;

// A volume tested against volumes of other kinds through the process-wide
// pair-test table. A volume does not own its placement: before each test the
// caller hands it the matrix that places its local space in the world.
class BoundingVolume {
public:
    BoundingVolume();
    BoundingVolume(const BoundingVolume& other);
    BoundingVolume& operator=(const BoundingVolume&) = delete;
    virtual ~BoundingVolume();

    // A new volume of the same kind and shape (null on failure).
    virtual std::unique_ptr<BoundingVolume> Clone() const = 0;
    // Empties the shape. Kinds without a growable shape return false.
    virtual bool Reset() { return false; }
    bool ResetAndAddPoints(const Vector3* points, int count);
    // Grows the shape to contain `other` (same local space).
    virtual bool Merge(const BoundingVolume& /*other*/) { return false; }
    virtual bool AddPoints(const Vector3* /*points*/, int /*count*/) { return false; }
    // The kind's index in the pair table (-1 before the table registers it).
    virtual int GetKind() const = 0;
    virtual void SetColour(Vector4 colour) { debugColour = colour; }
    // Replaces the shape by the volume of the shape transformed by `matrix`.
    virtual Result TransformBy(const Matrix4* /*matrix*/) { return ERR_NOT_IMPLEMENTED; }
    // Draws the debug mesh at `node`'s placement when drawing is enabled.
    virtual Result Draw(GraphNode* node);

    // Answers through the pair table; the lower kind is tested first.
    Result Intersects(const BoundingVolume* other) const;

    const Matrix4* placement = nullptr;
    Handle<RenderableObj> debugMesh;
    uint8_t drawEnabled = 0;
    uint8_t drawWireframe = 1;
    Vector4 debugColour{0, 0, 0, 0};
};

// Axis-aligned box in the volume's local space, with its eight corners.
class BoundingBox : public BoundingVolume {
public:
    BoundingBox();
    BoundingBox(Vector3 minimum, Vector3 maximum);

    std::unique_ptr<BoundingVolume> Clone() const override;
    bool Reset() override;
    bool Merge(const BoundingVolume& other) override;
    bool AddPoints(const Vector3* points, int count) override;
    int GetKind() const override { return kindIndex; }
    void SetColour(Vector4 colour) override;
    Result TransformBy(const Matrix4* matrix) override;

    void Set(Vector3 newMinimum, Vector3 newMaximum);
    // Rebuilds `corners` from the extremes and moves the debug mesh's vertices there.
    void BuildCorners();

    static int kindIndex;

    Vector3 minimum{1e8f, 1e8f, 1e8f};
    Vector3 maximum{-1e8f, -1e8f, -1e8f};
    Vector4 corners[8];
};

class BoundingSphere : public BoundingVolume {
public:
    BoundingSphere() = default;
    BoundingSphere(Vector3 centre, float radius) : centre(centre), radius(radius) {}

    std::unique_ptr<BoundingVolume> Clone() const override;
    int GetKind() const override { return kindIndex; }

    static int kindIndex;

    Vector3 centre{0, 0, 0};
    float radius = 1.0f;
};

// Stands for a renderable object's exact triangles.
class GeometryVolume : public BoundingVolume {
public:
    explicit GeometryVolume(const RenderableObj* object = nullptr) : geometryObject(object) {}

    std::unique_ptr<BoundingVolume> Clone() const override;
    int GetKind() const override { return kindIndex; }

    static int kindIndex;

    const RenderableObj* geometryObject = nullptr;
};

// A camera's view frustum. Tests use the clip matrix, which maps the visible
// volume to 0 <= x, y, z <= w.
class FrustumVolume : public BoundingVolume {
public:
    std::unique_ptr<BoundingVolume> Clone() const override;
    int GetKind() const override { return kindIndex; }

    static int kindIndex;

    float nearPlane = 10.0f;
    float farPlane = 3000.0f;
    float fieldOfView = 1.5707964f;
    float aspect = 1.3333334f;
    Matrix4 projection;
    const Matrix4* clipMatrix = nullptr;
};

// Clip planes (a, b, c, d): a point p lies outside a plane when
// a·x + b·y + c·z + d > 0. Slots are pushed and popped like a stack of masks.
class PlaneSetVolume : public BoundingVolume {
public:
    std::unique_ptr<BoundingVolume> Clone() const override;
    int GetKind() const override { return kindIndex; }

    // Returns the slot the plane went into, or -1 when the set cannot grow.
    int PushPlane(Vector4 plane);
    // Frees a slot; false for a slot beyond the capacity (slot -1 is ignored).
    bool PopPlane(int slot);
    void ResetPlanes();
    // Planes currently in use.
    int ActivePlanes() const;

    static int kindIndex;
    static constexpr int kGrowth = 16;

    std::vector<Vector4> planes;
    std::vector<uint8_t> inUse;
    int planeCount = 0;  // pushes since the last reset
    int planeCapacity = 0;
};

}  // namespace vimsa
