#include "core/matrix.h"

#include <cmath>
#include <utility>

namespace vimsa {

bool operator==(const Matrix4& a, const Matrix4& b) {
    for (int i = 0; i < 16; ++i) {
        if (a.m[i] != b.m[i]) return false;
    }
    return true;
}

Matrix4 Transpose(const Matrix4& a) {
    Matrix4 r;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col)
            r(row, col) = a(col, row);
    }
    return r;
}

Matrix3 Transpose(const Matrix3& a) {
    Matrix3 r;
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col)
            r(row, col) = a(col, row);
    }
    return r;
}

namespace {

void SwapRows(Matrix4& a, int r1, int r2) {
    for (int c = 0; c < 4; ++c)
        std::swap(a(r1, c), a(r2, c));
}

}  // namespace

Matrix4 Inverse(const Matrix4& a) {
    Matrix4 w = a;
    Matrix4 r;
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        float best = std::fabs(w(c, c));
        for (int row = c + 1; row < 4; ++row) {
            const float v = std::fabs(w(row, c));
            if (v > best) {
                best = v;
                pivot = row;
            }
        }
        if (pivot != c) {
            SwapRows(w, pivot, c);
            SwapRows(r, pivot, c);
        }
        const float p = w(c, c);
        for (int col = 0; col < 4; ++col) {
            w(c, col) /= p;
            r(c, col) /= p;
        }
        for (int row = 0; row < 4; ++row) {
            if (row == c) continue;
            const float f = w(row, c);
            if (f == 0.0f) continue;
            for (int col = 0; col < 4; ++col) {
                w(row, col) -= f * w(c, col);
                r(row, col) -= f * r(c, col);
            }
        }
    }
    return r;
}

Matrix4 ScaleMatrix(float sx, float sy, float sz) {
    Matrix4 r;
    r(0, 0) = sx;
    r(1, 1) = sy;
    r(2, 2) = sz;
    return r;
}

Matrix4 TranslationMatrix(Vector3 t) {
    Matrix4 r;
    r(0, 3) = t.x;
    r(1, 3) = t.y;
    r(2, 3) = t.z;
    return r;
}

Matrix4 RotationAxisAngle(Vector3& axis, float angle) {
    Normalize(axis);
    const float x = axis.x, y = axis.y, z = axis.z;
    const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
    Matrix4 r;
    r(0, 0) = t * x * x + c;
    r(0, 1) = t * x * y - s * z;
    r(0, 2) = t * x * z + s * y;
    r(1, 0) = t * x * y + s * z;
    r(1, 1) = t * y * y + c;
    r(1, 2) = t * y * z - s * x;
    r(2, 0) = t * x * z - s * y;
    r(2, 1) = t * y * z + s * x;
    r(2, 2) = t * z * z + c;
    return r;
}

Matrix4 PlacementMatrix(Vector3 position, Vector3 direction, Vector3 up) {
    const Vector3 right = Cross(up, direction);
    Matrix4 r;
    r(0, 0) = right.x, r(0, 1) = up.x, r(0, 2) = direction.x, r(0, 3) = position.x;
    r(1, 0) = right.y, r(1, 1) = up.y, r(1, 2) = direction.y, r(1, 3) = position.y;
    r(2, 0) = right.z, r(2, 1) = up.z, r(2, 2) = direction.z, r(2, 3) = position.z;
    return r;
}

}  // namespace vimsa
