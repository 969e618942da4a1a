#include "core/math/matrix.h"

#include "support/floatBits.h"
#include "support/pi.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {


Matrix4 filled(float start)
{
    Matrix4 m;
    for (int i = 0; i < 16; ++i)
        m[i] = start + float(i) * 0.5f - float(i % 3);
    return m;
}

// Reference product with the textbook row-by-column loop over (row, column) accessors.
float productElement(const Matrix4& a, const Matrix4& b, int row, int column)
{
    double sum = 0.0;
    for (int k = 0; k < 4; ++k)
        sum += double(a[4 * k + row]) * double(b[4 * column + k]);
    return float(sum);
}

void expectIdentity(const Matrix4& m)
{
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m[i], (i % 5 == 0) ? 1.0f : 0.0f) << "index " << i;
}

// Transforms the point (x, y, z, 1) by m.
Vector4 transform(const Matrix4& m, float x, float y, float z)
{
    Vector4 r;
    r.x = m[0] * x + m[4] * y + m[8] * z + m[12];
    r.y = m[1] * x + m[5] * y + m[9] * z + m[13];
    r.z = m[2] * x + m[6] * y + m[10] * z + m[14];
    r.w = m[3] * x + m[7] * y + m[11] * z + m[15];
    return r;
}

} // namespace

TEST(Matrix4, ConstructsIdentityInColumnMajorOrder)
{
    Matrix4 m;
    EXPECT_EQ(sizeof(Matrix4), 64u);
    expectIdentity(m);
    m[13] = 7.0f;  // row 1, column 3: the translation's y
    EXPECT_EQ(m.columns[3].y, 7.0f);
    EXPECT_EQ(m.data()[13], 7.0f);
    identity(m);
    expectIdentity(m);
}

TEST(Matrix4, PerspectiveOfTheViewer)
{
    Matrix4 m = filled(3.0f);
    perspective(m, 45.0f, 1.0f, 1.0f, 1024.0f);
    EXPECT_NEAR(m[0], 2.41421f, 1e-5);
    EXPECT_EQ(m[0], m[5]);
    EXPECT_EQ(m[10], float(-1024.0 / 1023.0));
    EXPECT_EQ(m[14], m[10]);
    EXPECT_EQ(m[11], -1.0f);
    for (int i : {1, 2, 3, 4, 6, 7, 8, 9, 12, 13, 15})
        EXPECT_EQ(m[i], 0.0f) << "index " << i;
    // depth runs from 0 at the near plane to 1 at the far plane
    Vector4 nearPoint = transform(m, 0, 0, -1.0f), farPoint = transform(m, 0, 0, -1024.0f);
    EXPECT_NEAR(nearPoint.z / nearPoint.w, 0.0f, 1e-6);
    EXPECT_NEAR(farPoint.z / farPoint.w, 1.0f, 1e-6);
}

TEST(Matrix4, PerspectiveAspectDividesWidth)
{
    Matrix4 m;
    perspective(m, 90.0f, 2.0f, 1.0f, 10.0f);
    EXPECT_NEAR(m[5], 1.0f, 1e-6);
    EXPECT_EQ(m[0], float(double(m[5]) / 2.0));
}

TEST(Matrix4, LookAtOfTheViewer)
{
    Matrix4 m = filled(1.0f);
    lookAt(m, 50, 0, 0, 0, 0, 0, 0, 1, 0);
    // rows are xAxis (0, 0, -1), yAxis (0, 1, 0), zAxis (1, 0, 0)
    const float expected[16] = {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, -50, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(m[i], expected[i]) << "index " << i;
    Vector4 origin = transform(m, 0, 0, 0);
    EXPECT_EQ(origin.x, 0.0f);
    EXPECT_EQ(origin.y, 0.0f);
    EXPECT_EQ(origin.z, -50.0f);
}

TEST(Matrix4, LookAtWithCoincidentEyeAndTargetHasZeroAxes)
{
    Matrix4 m;
    lookAt(m, 1, 2, 3, 1, 2, 3, 0, 1, 0);
    for (int i : {0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14})
        EXPECT_EQ(m[i], 0.0f) << "index " << i;
    EXPECT_EQ(m[15], 1.0f);
}

TEST(Matrix4, ProjectionTimesViewMapsOriginToImageCentre)
{
    Matrix4 view, projection, viewProjection;
    lookAt(view, 50, 0, 0, 0, 0, 0, 0, 1, 0);
    perspective(projection, 45, 1, 1, 1024);
    multiply(projection, viewProjection, view);
    Vector4 clip = transform(viewProjection, 0, 0, 0);
    EXPECT_EQ(clip.x, 0.0f);
    EXPECT_EQ(clip.y, 0.0f);
    EXPECT_EQ(clip.w, 50.0f);
    EXPECT_GT(clip.z / clip.w, 0.0f);
    EXPECT_LT(clip.z / clip.w, 1.0f);
    // a point 20 units up lands in the upper half, inside the picture (about 20.7 units are visible)
    Vector4 up = transform(viewProjection, 0, 20, 0);
    EXPECT_GT(up.y / up.w, 0.9f);
    EXPECT_LT(up.y / up.w, 1.0f);
    // +z in the world is to the left of the picture: the camera looks down -x with y up
    Vector4 side = transform(viewProjection, 0, 0, 10);
    EXPECT_LT(side.x / side.w, 0.0f);
}

TEST(Matrix4, RotationEdgeCasesAreIdentity)
{
    Matrix4 m = filled(2.0f);
    rotationAxisAngle(m, 0.0f, 1, 1, 1);
    expectIdentity(m);
    m = filled(2.0f);
    rotationAxisAngle(m, 1.234f, 0, 0, 0);
    expectIdentity(m);
    // the threshold is on the length: 0.000009 long is below it, 0.0001 long is not
    rotationAxisAngle(m, 1.0f, 0.000009f, 0, 0);
    expectIdentity(m);
    rotationAxisAngle(m, 1.0f, 0.0001f, 0, 0);
    EXPECT_NEAR(m[5], std::cos(1.0f), 1e-6);
}

TEST(Matrix4, RotationIsCounterClockwiseSeenFromAxisTip)
{
    Matrix4 m;
    rotationAxisAngle(m, float(pi / 2), 0, 0, 5);  // quarter turn about +z, axis length ignored
    Vector4 p = transform(m, 1, 0, 0);
    EXPECT_NEAR(p.x, 0.0f, 1e-7);
    EXPECT_NEAR(p.y, 1.0f, 1e-7);
    // about (1, 1, 1) a third of a turn cycles the axes: x -> y -> z
    rotationAxisAngle(m, float(2 * pi / 3), 1, 1, 1);
    p = transform(m, 1, 0, 0);
    EXPECT_NEAR(p.x, 0.0f, 1e-6);
    EXPECT_NEAR(p.y, 1.0f, 1e-6);
    EXPECT_NEAR(p.z, 0.0f, 1e-6);
}

TEST(Matrix4, RotationElementsRoundOnce)
{
    const float angle = -0x1.c998a2p+0f;
    Matrix4 m;
    rotationAxisAngle(m, angle, 1, 1, 1);
    EXPECT_EQ(bitsOf(m[0]), bitsOf(0x1.851fb4p-3f));
    EXPECT_EQ(bitsOf(m[1]), bitsOf(-0x1.4552fep-3f));

    // the same elements with every step in float differ: the input tells the two apart
    float c = float(std::cos(double(angle))), s = float(std::sin(double(angle)));
    float x = storedFloat(1.0f / float(std::sqrt(3.0)));
    float xx = storedFloat(x * x), t = storedFloat(1.0f - c), zs = storedFloat(x * s);
    EXPECT_NE(bitsOf(m[0]), bitsOf(storedFloat(storedFloat(t * xx) + c)));
    EXPECT_NE(bitsOf(m[1]), bitsOf(storedFloat(storedFloat(t * xx) + zs)));
    for (int i : {3, 7, 11, 12, 13, 14})
        EXPECT_EQ(m[i], 0.0f);
    EXPECT_EQ(m[15], 1.0f);
}

TEST(Matrix4, MultiplyMatchesReferenceAndAliases)
{
    Matrix4 a = filled(1.25f), b = filled(-3.5f), out;
    multiply(a, out, b);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            EXPECT_EQ(out[4 * column + row], productElement(a, b, row, column));

    // aliasing
    Matrix4 aliasA = a;
    multiply(aliasA, aliasA, b);
    Matrix4 aliasB = b;
    multiply(a, aliasB, aliasB);
    Matrix4 squared = a, reference;
    multiply(a, reference, a);
    multiply(squared, squared, squared);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(aliasA[i], out[i]);
        EXPECT_EQ(aliasB[i], out[i]);
        EXPECT_EQ(squared[i], reference[i]);
    }
}

TEST(Matrix4, MultiplyByIdentityOnEitherSide)
{
    Matrix4 a = filled(0.1f), id, out;
    multiply(a, out, id);
    EXPECT_EQ(memcmp(out.data(), a.data(), 64), 0);
    multiply(id, out, a);
    EXPECT_EQ(memcmp(out.data(), a.data(), 64), 0);
    Matrix4& returned = multiply(a, out, id);
    EXPECT_EQ(&returned, &out);
}
