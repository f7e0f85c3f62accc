#pragma once

#include "core/matrix.h"

namespace vimsa {

// Rotation keys of animation tracks: vector part first, as stored in files.
struct Quaternion {
    float x = 0, y = 0, z = 0, w = 1;
};

inline Quaternion operator+(Quaternion a, Quaternion b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w};
}
inline Quaternion operator-(Quaternion a, Quaternion b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w};
}
inline Quaternion operator-(Quaternion a) {
    return {-a.x, -a.y, -a.z, -a.w};
}
inline Quaternion operator*(Quaternion a, float s) {
    return {a.x * s, a.y * s, a.z * s, a.w * s};
}
inline float Dot(Quaternion a, Quaternion b) {
    return a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
}
inline float LengthSquared(Quaternion a) {
    return Dot(a, a);
}

Quaternion QuaternionMultiply(Quaternion a, Quaternion b);
// The axis is expected to be of unit length.
Quaternion QuaternionFromAxisAngle(Vector3 axis, float angle);
Matrix4 QuaternionToMatrix(Quaternion q);
// Spherical interpolation; linear weights for nearly equal quaternions and
// a perpendicular detour for nearly opposite ones.
Quaternion QuaternionSlerp(Quaternion a, Quaternion b, float t);

}  // namespace vimsa
