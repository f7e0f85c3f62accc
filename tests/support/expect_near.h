#pragma once

// Approximate comparisons of the engine's value types for tests.

#include <gtest/gtest.h>

#include "core/matrix.h"

namespace vimsa::testing {

inline void ExpectNear(Vector3 a, Vector3 b, float tolerance = 1e-4f) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

inline void ExpectNear(const Matrix4& a, const Matrix4& b, float tolerance = 1e-5f) {
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(a.m[i], b.m[i], tolerance) << "element " << i;
}

}  // namespace vimsa::testing
