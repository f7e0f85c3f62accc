#include "platform/d3d8/d3d8_matrix.h"

#include <cmath>

namespace vimsa::d3d8 {

D3DMATRIX NormalMatrix(const D3DMATRIX& m) {
    const float a = m.m[0][0], b = m.m[0][1], c = m.m[0][2];
    const float d = m.m[1][0], e = m.m[1][1], f = m.m[1][2];
    const float g = m.m[2][0], h = m.m[2][1], i = m.m[2][2];
    // Cofactors: the inverse is their transpose over the determinant, so the
    // transposed inverse is the cofactor matrix itself over it.
    const float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    const float D = -(b * i - c * h), E = a * i - c * g, F = -(a * h - b * g);
    const float G = b * f - c * e, H = -(a * f - c * d), I = a * e - b * d;
    const float det = a * A + b * B + c * C;
    D3DMATRIX r;
    if (!(std::fabs(det) > 1e-30f) || !std::isfinite(det)) return r;
    const float k = 1.0f / det;
    r.m[0][0] = A * k;
    r.m[0][1] = B * k;
    r.m[0][2] = C * k;
    r.m[1][0] = D * k;
    r.m[1][1] = E * k;
    r.m[1][2] = F * k;
    r.m[2][0] = G * k;
    r.m[2][1] = H * k;
    r.m[2][2] = I * k;
    return r;
}

}  // namespace vimsa::d3d8
