#pragma once

// Matrix arithmetic of the device for row vectors: p * M.

#include "platform/d3d8/d3d8_types.h"

namespace vimsa::d3d8 {

// a * b: applying the product applies a first.
inline D3DMATRIX Multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j] +
                        a.m[i][3] * b.m[3][j];
        }
    }
    return r;
}

struct Float4 {
    float x = 0, y = 0, z = 0, w = 0;
};

// (x, y, z, 1) * m.
inline Float4 TransformPoint(const D3DMATRIX& m, float x, float y, float z) {
    return {x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + m.m[3][0],
            x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + m.m[3][1],
            x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2],
            x * m.m[0][3] + y * m.m[1][3] + z * m.m[2][3] + m.m[3][3]};
}

// (x, y, z, 0) * m: a direction, without the translation.
inline D3DVECTOR TransformDirection(const D3DMATRIX& m, float x, float y, float z) {
    return {x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0],
            x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1],
            x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2]};
}

// The matrix that carries normals along with `m`: the transpose of the
// inverse of its upper 3 x 3 part (identity when that part is singular).
D3DMATRIX NormalMatrix(const D3DMATRIX& m);

}  // namespace vimsa::d3d8
