#include "scene/quaternion.h"

#include <cmath>

namespace vimsa {

Quaternion QuaternionMultiply(Quaternion a, Quaternion b) {
    const Vector3 av{a.x, a.y, a.z}, bv{b.x, b.y, b.z};
    const Vector3 v = bv * a.w + av * b.w + Cross(av, bv);
    return {v.x, v.y, v.z, a.w * b.w - Dot(av, bv)};
}

Quaternion QuaternionFromAxisAngle(Vector3 axis, float angle) {
    const float s = std::sin(angle / 2);
    return {axis.x * s, axis.y * s, axis.z * s, std::cos(angle / 2)};
}

Matrix4 QuaternionToMatrix(Quaternion q) {
    const float s = 2.0f / LengthSquared(q);
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    Matrix4 m;
    m(0, 0) = 1 - s * (y * y + z * z);
    m(0, 1) = s * (x * y - w * z);
    m(0, 2) = s * (x * z + w * y);
    m(1, 0) = s * (x * y + w * z);
    m(1, 1) = 1 - s * (x * x + z * z);
    m(1, 2) = s * (y * z - w * x);
    m(2, 0) = s * (x * z - w * y);
    m(2, 1) = s * (y * z + w * x);
    m(2, 2) = 1 - s * (x * x + y * y);
    return m;
}

Quaternion QuaternionSlerp(Quaternion a, Quaternion b, float t) {
    constexpr float kEpsilon = 0.00001f;
    const float d = Dot(a, b);
    if (d + 1 > kEpsilon) {
        float wa = 1 - t, wb = t;
        if (1 - d > kEpsilon) {
            const float theta = std::acos(d);
            const float s = std::sin(theta);
            wa = std::sin((1 - t) * theta) / s;
            wb = std::sin(t * theta) / s;
        }
        return a * wa + b * wb;
    }
    const Quaternion p{-a.y, a.x, -a.w, a.z};
    return a * std::sin((1 - t) * kPi / 2) + p * std::sin(t * kPi / 2);
}

}  // namespace vimsa
