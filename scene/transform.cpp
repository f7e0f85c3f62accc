#include "scene/transform.h"

namespace vimsa {
namespace {

// Column of a placement matrix that holds each item.
int ColumnOf(Transform::Item item) {
    switch (item) {
        case Transform::Item::Position:
            return 3;
        case Transform::Item::Direction:
            return 2;
        case Transform::Item::Up:
            return 1;
    }
    return 3;
}

}  // namespace

Vector3& Transform::Value(Item item) {
    return item == Item::Position ? position : item == Item::Direction ? direction : up;
}

const Vector3& Transform::Value(Item item) const {
    return item == Item::Position ? position : item == Item::Direction ? direction : up;
}

uint8_t& Transform::ValidFlag(Item item) {
    return item == Item::Position    ? positionValid
           : item == Item::Direction ? directionValid
                                     : upValid;
}

const uint8_t& Transform::ValidFlag(Item item) const {
    return item == Item::Position    ? positionValid
           : item == Item::Direction ? directionValid
                                     : upValid;
}

bool Transform::Get(Item item, Vector3& out) {
    uint8_t& valid = ValidFlag(item);
    if (!valid && matrixValid) {
        Value(item) = GetColumn3(matrix, ColumnOf(item));
        valid = 1;
    }
    out = Value(item);
    return valid != 0;
}

bool Transform::BuildMatrix() {
    if (!positionValid || !directionValid || !upValid) return false;
    Vector3 d = direction;
    Vector3 u = up;
    Vector3 r = Cross(up, direction);
    Normalize(d);
    Normalize(u);
    Normalize(r);
    matrix = Matrix4{};
    matrix(0, 0) = r.x, matrix(0, 1) = u.x, matrix(0, 2) = d.x, matrix(0, 3) = position.x;
    matrix(1, 0) = r.y, matrix(1, 1) = u.y, matrix(1, 2) = d.y, matrix(1, 3) = position.y;
    matrix(2, 0) = r.z, matrix(2, 1) = u.z, matrix(2, 2) = d.z, matrix(2, 3) = position.z;
    matrixValid = 1;
    transposedValid = 0;
    inverseValid = 0;
    return true;
}

const Matrix4* Transform::GetMatrix() {
    if (!matrixValid && !BuildMatrix()) return nullptr;
    return &matrix;
}

const Matrix4* Transform::GetTransposed() {
    if (!transposedValid) {
        const Matrix4* m = GetMatrix();
        if (!m) return nullptr;
        transposed = Transpose(*m);
        transposedValid = 1;
    }
    return &transposed;
}

const Matrix4* Transform::GetInverse() {
    if (!inverseValid) {
        const Matrix4* m = GetMatrix();
        if (!m) return nullptr;
        inverse = Inverse(*m);
        inverseValid = 1;
    }
    return &inverse;
}

void Transform::Store(Item item, Vector3 value) {
    Value(item) = value;
    ValidFlag(item) = 1;
    InvalidateMatrices();
}

void Transform::SetPosition(Vector3 p) {
    Store(Item::Position, p);
}

void Transform::SetOrientation(Vector3 newDirection, Vector3 newUp) {
    Store(Item::Direction, newDirection);
    Store(Item::Up, newUp);
}

}  // namespace vimsa
