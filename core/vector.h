#pragma once

#include <cmath>

namespace vimsa {

// Squared length accepted as unit length.
inline constexpr float kUnitMin = 0.999f;
inline constexpr float kUnitMax = 1.001f;
inline constexpr float kPi = 3.14159265f;
inline constexpr float kTwoPi = 6.2831855f;

struct Vector2 {
    float x = 0, y = 0;
};

struct Vector3 {
    float x = 0, y = 0, z = 0;
};

// Also a homogeneous point, an RGBA colour and a plane (a, b, c, d).
struct Vector4 {
    float x = 0, y = 0, z = 0, w = 0;
};

// --- Vector2 ---
inline Vector2 operator+(Vector2 a, Vector2 b) {
    return {a.x + b.x, a.y + b.y};
}
inline Vector2 operator-(Vector2 a, Vector2 b) {
    return {a.x - b.x, a.y - b.y};
}
inline Vector2 operator*(Vector2 a, float s) {
    return {a.x * s, a.y * s};
}
inline Vector2& MultiplyComponents(Vector2& a, Vector2 b) {
    a.x *= b.x;
    a.y *= b.y;
    return a;
}

// --- Vector3 ---
inline Vector3 operator+(Vector3 a, Vector3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vector3 operator-(Vector3 a, Vector3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vector3 operator-(Vector3 a) {
    return {-a.x, -a.y, -a.z};
}
inline Vector3 operator*(Vector3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline Vector3 operator*(float s, Vector3 a) {
    return a * s;
}
inline Vector3& operator+=(Vector3& a, Vector3 b) {
    return a = a + b;
}
inline Vector3& operator-=(Vector3& a, Vector3 b) {
    return a = a - b;
}
inline Vector3& operator*=(Vector3& a, float s) {
    return a = a * s;
}
inline bool operator==(Vector3 a, Vector3 b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

inline Vector3 Negate(Vector3 a) {
    return -a;
}
// Multiplies by the reciprocal, as the engine always has.
inline Vector3& Divide(Vector3& a, float d) {
    return a *= 1.0f / d;
}
inline Vector3& MultiplyComponents(Vector3& a, Vector3 b) {
    a.x *= b.x;
    a.y *= b.y;
    a.z *= b.z;
    return a;
}
inline float Dot(Vector3 a, Vector3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vector3 Cross(Vector3 a, Vector3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float LengthSquared(Vector3 a) {
    return Dot(a, a);
}
inline float Length(Vector3 a) {
    return std::sqrt(LengthSquared(a));
}

// Leaves a vector that is already unit length (within the tolerance) alone;
// returns false, unchanged, for the zero vector.
inline bool Normalize(Vector3& v) {
    const float sq = LengthSquared(v);
    if (sq >= kUnitMin && sq <= kUnitMax) return true;
    if (sq == 0.0f) return false;
    v *= 1.0f / std::sqrt(sq);
    return true;
}

// --- Vector4 ---
inline Vector4 operator+(Vector4 a, Vector4 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z, a.w + b.w};
}
inline Vector4 operator-(Vector4 a, Vector4 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z, a.w - b.w};
}
inline Vector4 operator*(Vector4 a, float s) {
    return {a.x * s, a.y * s, a.z * s, a.w * s};
}
inline bool operator==(Vector4 a, Vector4 b) {
    return a.x == b.x && a.y == b.y && a.z == b.z && a.w == b.w;
}
inline Vector4 MultiplyComponents(Vector4 a, Vector4 b) {
    return {a.x * b.x, a.y * b.y, a.z * b.z, a.w * b.w};
}

// The three components other than the one at `index` (3 gives x, y, z; no
// division by w).
inline Vector3 DropComponent(Vector4 v, int index) {
    switch (index) {
        case 0:
            return {v.y, v.z, v.w};
        case 1:
            return {v.x, v.z, v.w};
        case 2:
            return {v.x, v.y, v.w};
        default:
            return {v.x, v.y, v.z};
    }
}

inline Vector3 XYZ(Vector4 v) {
    return {v.x, v.y, v.z};
}
inline Vector4 Point4(Vector3 v, float w = 1.0f) {
    return {v.x, v.y, v.z, w};
}

}  // namespace vimsa
