#pragma once

#include <cstdint>

#include "core/matrix.h"

namespace vimsa {

// A placement with cached matrices. Each derived value carries a validity
// flag; a stored vector keeps its value when its flag is 0, the flag only
// says it must be derived before use.
class Transform {
public:
    enum class Item : uint8_t { Position, Direction, Up };

    virtual ~Transform() = default;

    // Return whether the value is valid, taking it from `matrix` first when
    // the item is invalid but the matrix is valid. `out` always receives the
    // stored value.
    bool GetPosition(Vector3& out) { return Get(Item::Position, out); }
    bool GetDirection(Vector3& out) { return Get(Item::Direction, out); }
    bool GetUp(Vector3& out) { return Get(Item::Up, out); }
    bool Get(Item item, Vector3& out);

    // Builds `matrix` from position, direction and up (normalised copies;
    // the stored vectors are not changed). False when any of them is invalid.
    bool BuildMatrix();

    // The cached matrices, built when needed; null when the matrix cannot be built.
    const Matrix4* GetMatrix();
    const Matrix4* GetTransposed();
    const Matrix4* GetInverse();

    void SetPosition(Vector3 p);
    void SetOrientation(Vector3 newDirection, Vector3 newUp);

    // Stores an item as valid and drops the matrices built from the old value.
    void Store(Item item, Vector3 value);
    void Invalidate(Item item) { ValidFlag(item) = 0; }
    void InvalidateMatrices() { matrixValid = transposedValid = inverseValid = 0; }
    void InvalidateAll() {
        positionValid = directionValid = upValid = 0;
        InvalidateMatrices();
    }
    bool IsValid(Item item) const { return ValidFlag(item) != 0; }

    Vector3& Value(Item item);
    const Vector3& Value(Item item) const;
    uint8_t& ValidFlag(Item item);
    const uint8_t& ValidFlag(Item item) const;

    Vector3 position{0, 0, 0};
    Vector3 direction{0, 0, 1};
    Vector3 up{0, 1, 0};
    Matrix4 matrix;
    Matrix4 transposed;
    Matrix4 inverse;
    uint8_t positionValid = 0;
    uint8_t directionValid = 0;
    uint8_t upValid = 0;
    uint8_t matrixValid = 0;
    uint8_t transposedValid = 0;
    uint8_t inverseValid = 0;
};

}  // namespace vimsa
