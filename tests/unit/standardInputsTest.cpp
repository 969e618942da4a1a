#include "core/shader/standardInputs.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

// The upper 3 x 3 of m times n, in double.
void multiplyUpper(const Matrix4& m, const Matrix3& n, double (&out)[3][3])
{
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            out[r][c] = 0.0;
            for (int k = 0; k < 3; ++k)
                out[r][c] += double(m[4 * k + r]) * n.m[3 * c + k];
        }
}

} // namespace

TEST(NormalMatrix, IsTheInverseTransposeOfTheUpper3x3)
{
    // the transpose of M's upper 3 x 3 times its normal matrix is the identity
    std::mt19937 random(7);
    std::uniform_real_distribution<float> element(-4.0f, 4.0f);
    for (int trial = 0; trial < 100; ++trial) {
        Matrix4 m;
        for (int i = 0; i < 16; ++i)
            m[i] = element(random);
        Matrix3 n;
        normalMatrix(m, n);
        Matrix4 transposed;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                transposed[4 * c + r] = m[4 * r + c];
        double product[3][3];
        multiplyUpper(transposed, n, product);
        double determinant = std::fabs(double(m[0]) * (double(m[5]) * m[10] - double(m[9]) * m[6]) -
                                       double(m[4]) * (double(m[1]) * m[10] - double(m[9]) * m[2]) +
                                       double(m[8]) * (double(m[1]) * m[6] - double(m[5]) * m[2]));
        if (determinant < 0.1)
            continue;  // too near singular for a float inverse to check this tightly
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                EXPECT_NEAR(product[r][c], r == c ? 1.0 : 0.0, 1e-4) << trial;
    }
}

TEST(NormalMatrix, SingularMatrixGivesTheCofactors)
{
    // a model squashed flat along z: the normals of its faces point along z, scaled
    Matrix4 flat;
    flat[10] = 0.0f;
    Matrix3 n;
    normalMatrix(flat, n);
    const float expected[9] = {0, 0, 0, 0, 0, 0, 0, 0, 1};
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(n.m[i], expected[i]) << i;
}

TEST(StandardMatrices, ProductIsProjectionViewModel)
{
    Matrix4 model, view, projection, expected;
    rotationAxisAngle(model, 0.5f, 1.0f, 1.0f, 1.0f);
    lookAt(view, 50.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    perspective(projection, 45.0f, 1.0f, 1.0f, 1024.0f);
    StandardValues values;
    setStandardMatrices(model, view, projection, values);
    multiply(projection, expected, multiply(view, expected, model));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(values.modelViewProjection[i], expected[i]) << i;
    // a rotation and a rigid view: the normal matrix is view * model's own upper 3 x 3
    multiply(view, expected, model);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(values.normal.m[3 * c + r], expected[4 * c + r], 1e-6);
}
