#include "scene/camera.h"

#include <cmath>

namespace vimsa {

Camera::Camera() {
    name = kCameraName;
    CreateFrustum();
}

Camera::Camera(const Camera& other)
    : GraphObj(),
      cameraFlag(other.cameraFlag),
      mirrored(other.mirrored),
      nearPlane(other.nearPlane),
      farPlane(other.farPlane),
      fieldOfView(other.fieldOfView),
      aspect(other.aspect) {
    for (int i = 0; i < 4; ++i)
        viewport[i] = other.viewport[i];
    CreateFrustum();
}

Camera::~Camera() {
    ClearDrawn();
}

void Camera::CreateFrustum() {
    bounds = std::make_unique<FrustumVolume>();
    UpdateFrustum();
    ClearDrawn();
}

bool Camera::UpdateFrustum() {
    FrustumVolume* frustum = Frustum();
    if (!frustum) return false;
    if (boundsFlag) return true;
    frustum->nearPlane = nearPlane;
    frustum->farPlane = farPlane;
    frustum->aspect = aspect;
    frustum->projection = projection;
    if (fieldOfView > 0 && fieldOfView < kPi) frustum->fieldOfView = fieldOfView;
    boundsFlag = 1;
    return true;
}

void Camera::SetParameter(float& field, float value) {
    field = value;
    boundsFlag = 0;  // push the changed parameters again
    UpdateFrustum();
}

void Camera::SetNearPlane(float value) {
    SetParameter(nearPlane, value);
}
void Camera::SetFarPlane(float value) {
    SetParameter(farPlane, value);
}
void Camera::SetFieldOfView(float value) {
    SetParameter(fieldOfView, value);
}
void Camera::SetAspect(float value) {
    SetParameter(aspect, value);
}

bool Camera::ComputeMatrices() {
    const Matrix4* inverse = GetWorldInverse();
    if (!inverse) return false;
    Matrix4 view = *inverse;
    if (mirrored) {
        for (int c = 0; c < 4; ++c)
            view(0, c) = -view(0, c);
    }
    viewMatrix = view;
    worldMatrix = Inverse(viewMatrix);

    const float a = 1.0f / std::tan(fieldOfView / 2);
    const float b = a * aspect;
    Matrix4 s;
    s(0, 0) = a;
    s(1, 1) = b;
    Matrix4 d;
    const float depth = farPlane - nearPlane;
    d(2, 2) = farPlane / depth;
    d(2, 3) = -nearPlane * farPlane / depth;
    d(3, 2) = 1;
    d(3, 3) = 0;
    Matrix4 bias;
    bias(0, 0) = 0.5f;
    bias(0, 3) = 0.5f;
    bias(1, 1) = 0.5f;
    bias(1, 3) = 0.5f;
    projection = bias * (d * s);
    clipMatrix = projection * viewMatrix;
    return true;
}

bool Camera::IsInView(GraphObj* object) {
    if (!object) return false;
    FrustumVolume* frustum = Frustum();
    if (!object->bounds || !frustum) return true;
    frustum->placement = &worldMatrix;
    frustum->clipMatrix = &clipMatrix;
    const Result r = frustum->Intersects(object->bounds.get());
    return r > 0 || r == ERR_NOT_IMPLEMENTED;
}

void Camera::AddDrawn(const GraphObj* object) {
    drawnSet.insert(object);
    ++drawnCount;
}

void Camera::ClearDrawn() {
    drawnSet.clear();
    drawnCount = 0;
}

}  // namespace vimsa
