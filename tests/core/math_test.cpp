#include <gtest/gtest.h>

#include "tests/support/expect_near.h"

#include "core/matrix.h"

#include <cmath>
#include <utility>

namespace vimsa {
namespace {

using testing::ExpectNear;

TEST(VectorTest, NormalizeHandlesZeroUnitAndLongVectors) {
    Vector3 zero{0, 0, 0};
    EXPECT_FALSE(Normalize(zero));
    EXPECT_EQ(zero, (Vector3{0, 0, 0}));

    Vector3 v{0, 0, 2};
    EXPECT_TRUE(Normalize(v));
    EXPECT_EQ(v, (Vector3{0, 0, 1}));

    // Squared length 1.0005 counts as unit length and stays untouched.
    const float s = std::sqrt(1.0005f);
    Vector3 nearly{s, 0, 0};
    EXPECT_TRUE(Normalize(nearly));
    EXPECT_EQ(nearly.x, s);

    Vector3 outside{std::sqrt(1.002f), 0, 0};
    EXPECT_TRUE(Normalize(outside));
    EXPECT_NEAR(outside.x, 1.0f, 1e-6f);
}

TEST(VectorTest, CrossFollowsLeftHandedBasis) {
    // right = up × direction
    ExpectNear(Cross({0, 1, 0}, {0, 0, 1}), {1, 0, 0});
    ExpectNear(Cross({1, 2, 3}, {4, 5, 6}), {-3, 6, -3});
    EXPECT_FLOAT_EQ(Dot({1, 2, 3}, {4, 5, 6}), 32.0f);
}

TEST(VectorTest, DropComponentSkipsTheIndexedOne) {
    const Vector4 v{1, 2, 3, 4};
    EXPECT_EQ(DropComponent(v, 0), (Vector3{2, 3, 4}));
    EXPECT_EQ(DropComponent(v, 1), (Vector3{1, 3, 4}));
    EXPECT_EQ(DropComponent(v, 2), (Vector3{1, 2, 4}));
    EXPECT_EQ(DropComponent(v, 3), (Vector3{1, 2, 3}));
}

TEST(VectorTest, InPlaceOperations) {
    Vector3 a{2, 4, 8};
    Divide(a, 2.0f);
    EXPECT_EQ(a, (Vector3{1, 2, 4}));
    MultiplyComponents(a, {3, 2, 1});
    EXPECT_EQ(a, (Vector3{3, 4, 4}));
    EXPECT_EQ(Negate(a), (Vector3{-3, -4, -4}));
    EXPECT_EQ(MultiplyComponents(Vector4{1, 2, 3, 4}, Vector4{2, 2, 2, 2}), (Vector4{2, 4, 6, 8}));
}

Matrix4 Sample() {
    Matrix4 m;
    const float v[16] = {2, 0, 1, 3, 1, 3, 0, -1, 0, 1, 4, 2, 0, 0, 0, 1};
    for (int i = 0; i < 16; ++i)
        m.m[i] = v[i];
    return m;
}

TEST(MatrixTest, MultiplyComposesRightToLeft) {
    const Matrix4 t = TranslationMatrix({1, 2, 3});
    const Matrix4 s = ScaleMatrix(2, 2, 2);
    // t·s scales first, then translates.
    ExpectNear(TransformPoint3(t * s, {1, 1, 1}), {3, 4, 5});
    ExpectNear(TransformPoint3(s * t, {1, 1, 1}), {4, 6, 8});
    Matrix4 inPlace = t;
    MultiplyInPlace(inPlace, s);
    EXPECT_EQ(inPlace, t * s);
}

TEST(MatrixTest, RowsColumnsAndTranspose) {
    const Matrix4 m = Sample();
    EXPECT_EQ(GetRow(m, 1), (Vector4{1, 3, 0, -1}));
    const Matrix4 t = Transpose(m);
    EXPECT_EQ(GetRow(t, 3), (Vector4{3, -1, 2, 1}));
    EXPECT_EQ(Transpose(t), m);
    Matrix3 m3;
    m3(0, 1) = 5;
    EXPECT_EQ(Transpose(m3)(1, 0), 5.0f);
    ExpectNear(Multiply3(m3, {0, 1, 0}), {5, 1, 0});
}

TEST(MatrixTest, TransformsPointsVectorsAndDirections) {
    const Matrix4 m = Sample();
    const Vector4 p = TransformPoint(m, {1, 1, 1});
    EXPECT_EQ(p, (Vector4{6, 3, 7, 1}));
    EXPECT_EQ(TransformVector4(m, {1, 1, 1, 0}), (Vector4{3, 4, 5, 0}));
    ExpectNear(RotateVector(m, {1, 1, 1}), {3, 4, 5});
}

TEST(MatrixTest, InverseOfGeneralMatrix) {
    const Matrix4 m = Sample();
    ExpectNear(m * Inverse(m), Matrix4::Identity());
    ExpectNear(Inverse(m) * m, Matrix4::Identity());
}

TEST(MatrixTest, InverseOfTranslationIsOppositeTranslation) {
    ExpectNear(Inverse(TranslationMatrix({1, 2, 3})), TranslationMatrix({-1, -2, -3}), 0.0f);
}

TEST(MatrixTest, InversePivotFromLastRowIsExact) {
    // First column (0, 0, 0, 1): the only usable pivot sits in the last row.
    Matrix4 m = Matrix4::Zero();
    m(0, 1) = 1;
    m(1, 2) = 1;
    m(2, 3) = 1;
    m(3, 0) = 1;
    const Matrix4 inv = Inverse(m);
    ExpectNear(inv, Transpose(m), 0.0f);  // a permutation's inverse is its transpose
}

// Textbook Gauss-Jordan with a selectable tie rule, to tell the two rules apart.
Matrix4 ReferenceInverse(const Matrix4& a, bool tiesPickLower) {
    Matrix4 w = a, r;
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        for (int row = c + 1; row < 4; ++row) {
            const float v = std::fabs(w(row, c)), best = std::fabs(w(pivot, c));
            if (v > best || (tiesPickLower && v == best)) pivot = row;
        }
        for (int col = 0; col < 4; ++col) {
            std::swap(w(c, col), w(pivot, col));
            std::swap(r(c, col), r(pivot, col));
        }
        const float p = w(c, c);
        for (int col = 0; col < 4; ++col)
            w(c, col) /= p, r(c, col) /= p;
        for (int row = 0; row < 4; ++row) {
            if (row == c) continue;
            const float f = w(row, c);
            for (int col = 0; col < 4; ++col)
                w(row, col) -= f * w(c, col), r(row, col) -= f * r(c, col);
        }
    }
    return r;
}

TEST(MatrixTest, InverseTiesPickTheUpperRow) {
    // Search matrices whose column 0 has a tie for the largest magnitude
    // until the two tie rules round differently; ours must match the upper rule.
    uint32_t seed = 12345;
    auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<float>(static_cast<int>(seed >> 8) % 2001 - 1000) / 97.0f;
    };
    int distinguishing = 0;
    for (int attempt = 0; attempt < 2000 && distinguishing < 5; ++attempt) {
        Matrix4 m;
        for (float& e : m.m)
            e = next();
        m(0, 0) = 7.0f;
        m(2, 0) = -7.0f;
        m(1, 0) = 3.0f;
        m(3, 0) = 1.0f;
        const Matrix4 upper = ReferenceInverse(m, false);
        const Matrix4 lower = ReferenceInverse(m, true);
        if (upper == lower) continue;
        ++distinguishing;
        EXPECT_EQ(Inverse(m), upper) << "attempt " << attempt;
    }
    EXPECT_GT(distinguishing, 0) << "no matrix told the tie rules apart";
}

TEST(MatrixTest, RotationAxisAngleNormalisesAxis) {
    Vector3 axis{0, 2, 0};
    const Matrix4 r = RotationAxisAngle(axis, kPi / 2);
    EXPECT_EQ(axis, (Vector3{0, 1, 0}));
    ExpectNear(TransformPoint3(r, {1, 0, 0}), {0, 0, -1});
    Vector3 z{0, 0, 1};
    ExpectNear(TransformPoint3(RotationAxisAngle(z, kPi / 2), {1, 0, 0}), {0, 1, 0});
}

TEST(MatrixTest, PlacementMatrixHasBasisInColumns) {
    const Matrix4 m = PlacementMatrix({5, 6, 7}, {1, 0, 0}, {0, 1, 0});
    ExpectNear(GetColumn3(m, 0), {0, 0, -1});  // right = up × direction
    ExpectNear(GetColumn3(m, 1), {0, 1, 0});
    ExpectNear(GetColumn3(m, 2), {1, 0, 0});
    ExpectNear(GetColumn3(m, 3), {5, 6, 7});
    EXPECT_EQ(GetRow(m, 3), (Vector4{0, 0, 0, 1}));
}

}  // namespace
}  // namespace vimsa
