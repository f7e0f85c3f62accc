#pragma once

#include "core/vector.h"

namespace vimsa {

// 3x3 float matrix, stored row by row.
struct Matrix3 {
    float m[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};

    float& operator()(int r, int c) { return m[3 * r + c]; }
    float operator()(int r, int c) const { return m[3 * r + c]; }
};

// 4x4 float matrix, stored row by row: element [r][c] at index 4r+c.
// Points are column vectors (M·p); an affine matrix keeps its translation in
// the fourth column. Placement matrices hold right, up, direction and
// position in columns 0..3.
struct Matrix4 {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

    float& operator()(int r, int c) { return m[4 * r + c]; }
    float operator()(int r, int c) const { return m[4 * r + c]; }

    static Matrix4 Identity() { return Matrix4{}; }
    static Matrix4 Zero() {
        Matrix4 z;
        for (float& e : z.m)
            e = 0.0f;
        return z;
    }
};

bool operator==(const Matrix4& a, const Matrix4& b);

inline Vector4 GetRow(const Matrix4& a, int r) {
    return {a.m[4 * r], a.m[4 * r + 1], a.m[4 * r + 2], a.m[4 * r + 3]};
}
inline Vector3 GetColumn3(const Matrix4& a, int c) {
    return {a.m[c], a.m[4 + c], a.m[8 + c]};
}

// A·B: applying the result applies B first.
inline Matrix4 Multiply(const Matrix4& a, const Matrix4& b) {
    const float* x = a.m;
    const float* y = b.m;
    Matrix4 r;
    float* o = r.m;
    o[0] = x[0] * y[0] + x[1] * y[4] + x[2] * y[8] + x[3] * y[12];
    o[1] = x[0] * y[1] + x[1] * y[5] + x[2] * y[9] + x[3] * y[13];
    o[2] = x[0] * y[2] + x[1] * y[6] + x[2] * y[10] + x[3] * y[14];
    o[3] = x[0] * y[3] + x[1] * y[7] + x[2] * y[11] + x[3] * y[15];
    o[4] = x[4] * y[0] + x[5] * y[4] + x[6] * y[8] + x[7] * y[12];
    o[5] = x[4] * y[1] + x[5] * y[5] + x[6] * y[9] + x[7] * y[13];
    o[6] = x[4] * y[2] + x[5] * y[6] + x[6] * y[10] + x[7] * y[14];
    o[7] = x[4] * y[3] + x[5] * y[7] + x[6] * y[11] + x[7] * y[15];
    o[8] = x[8] * y[0] + x[9] * y[4] + x[10] * y[8] + x[11] * y[12];
    o[9] = x[8] * y[1] + x[9] * y[5] + x[10] * y[9] + x[11] * y[13];
    o[10] = x[8] * y[2] + x[9] * y[6] + x[10] * y[10] + x[11] * y[14];
    o[11] = x[8] * y[3] + x[9] * y[7] + x[10] * y[11] + x[11] * y[15];
    o[12] = x[12] * y[0] + x[13] * y[4] + x[14] * y[8] + x[15] * y[12];
    o[13] = x[12] * y[1] + x[13] * y[5] + x[14] * y[9] + x[15] * y[13];
    o[14] = x[12] * y[2] + x[13] * y[6] + x[14] * y[10] + x[15] * y[14];
    o[15] = x[12] * y[3] + x[13] * y[7] + x[14] * y[11] + x[15] * y[15];
    return r;
}
inline Matrix4 operator*(const Matrix4& a, const Matrix4& b) {
    return Multiply(a, b);
}
// Replaces A by A·B.
inline Matrix4& MultiplyInPlace(Matrix4& a, const Matrix4& b) {
    return a = Multiply(a, b);
}

// M·v with all four components.
inline Vector4 TransformVector4(const Matrix4& a, Vector4 v) {
    const float* x = a.m;
    return {x[0] * v.x + x[1] * v.y + x[2] * v.z + x[3] * v.w,
            x[4] * v.x + x[5] * v.y + x[6] * v.z + x[7] * v.w,
            x[8] * v.x + x[9] * v.y + x[10] * v.z + x[11] * v.w,
            x[12] * v.x + x[13] * v.y + x[14] * v.z + x[15] * v.w};
}

// M·(p, 1).
inline Vector4 TransformPoint(const Matrix4& a, Vector3 p) {
    const float* x = a.m;
    return {x[0] * p.x + x[1] * p.y + x[2] * p.z + x[3],
            x[4] * p.x + x[5] * p.y + x[6] * p.z + x[7],
            x[8] * p.x + x[9] * p.y + x[10] * p.z + x[11],
            x[12] * p.x + x[13] * p.y + x[14] * p.z + x[15]};
}

// x, y, z of M·(p, 1), for affine matrices.
inline Vector3 TransformPoint3(const Matrix4& a, Vector3 p) {
    return XYZ(TransformPoint(a, p));
}

// The upper-left 3x3 part applied to v (no translation).
inline Vector3 RotateVector(const Matrix4& a, Vector3 v) {
    const float* x = a.m;
    return {x[0] * v.x + x[1] * v.y + x[2] * v.z, x[4] * v.x + x[5] * v.y + x[6] * v.z,
            x[8] * v.x + x[9] * v.y + x[10] * v.z};
}

inline Vector3 Multiply3(const Matrix3& a, Vector3 v) {
    const float* x = a.m;
    return {x[0] * v.x + x[1] * v.y + x[2] * v.z, x[3] * v.x + x[4] * v.y + x[5] * v.z,
            x[6] * v.x + x[7] * v.y + x[8] * v.z};
}

Matrix4 Transpose(const Matrix4& a);
Matrix3 Transpose(const Matrix3& a);

// Gauss-Jordan elimination with partial pivoting; ties keep the upper row.
// A singular matrix yields infinities or NaNs (placement matrices are always
// invertible).
Matrix4 Inverse(const Matrix4& a);

Matrix4 ScaleMatrix(float sx, float sy, float sz);
Matrix4 TranslationMatrix(Vector3 t);

// Rotation about `axis` by `angle` radians. The axis is normalised in place,
// so the caller's vector receives the unit axis.
Matrix4 RotationAxisAngle(Vector3& axis, float angle);

// Placement matrix with columns right (= up × direction), up, direction and
// position, the basis taken as given.
Matrix4 PlacementMatrix(Vector3 position, Vector3 direction, Vector3 up);

}  // namespace vimsa
