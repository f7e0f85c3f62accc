#pragma once

#include <set>

#include "scene/graph_obj.h"

namespace vimsa {

// A camera placed by the node that holds it. It turns that placement into a
// view matrix, a perspective projection and a clip matrix that maps the
// visible volume to 0 <= x, y, z <= w, culls with its view frustum (its
// bounds) and keeps the clip planes that portals narrow the view with.
class Camera : public GraphObj {
public:
    Camera();
    // Copies the projection parameters only; the copy keeps the base name and
    // must compute its matrices before use.
    Camera(const Camera& other);
    Camera& operator=(const Camera&) = delete;
    ~Camera() override;

    ObjectType GetType() const override { return ObjectType::Camera; }

    // Pushes the projection parameters into the frustum volume unless they
    // were already pushed (`boundsFlag` marks that). False without a frustum.
    bool UpdateFrustum();
    // Setters that clear the pushed mark and push again.
    void SetNearPlane(float value);
    void SetFarPlane(float value);
    void SetFieldOfView(float value);
    void SetAspect(float value);

    // False when the camera's world placement cannot be derived; the
    // previous matrices then stay.
    bool ComputeMatrices();
    // Whether the object's bounds meet the view frustum; objects without
    // bounds, and pairs without a test, count as visible.
    bool IsInView(GraphObj* object);

    void AddDrawn(const GraphObj* object);
    bool IsDrawn(const GraphObj* object) const { return drawnSet.count(object) != 0; }
    void ClearDrawn();

    FrustumVolume* Frustum() const { return dynamic_cast<FrustumVolume*>(bounds.get()); }

    uint8_t cameraFlag = 1;
    uint8_t mirrored = 0;
    float nearPlane = 10.0f;
    float farPlane = 3000.0f;
    float fieldOfView = 1.5707964f;
    float aspect = 1.3333334f;
    float viewport[4] = {0, 0, 639.99f, 479.99f};
    Matrix4 viewMatrix;
    Matrix4 worldMatrix;
    Matrix4 projection;
    Matrix4 clipMatrix;
    PlaneSetVolume clipVolume;
    std::set<const GraphObj*> drawnSet;  // not counted
    int32_t drawnCount = 0;

private:
    void CreateFrustum();
    void SetParameter(float& field, float value);
};

}  // namespace vimsa
