#include "core/math/vector.h"

#include "support/floatBits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

TEST(Vector, LayoutIsPackedFloats)
{
    EXPECT_EQ(sizeof(Vector2), 8u);
    EXPECT_EQ(sizeof(Vector3), 12u);
    EXPECT_EQ(sizeof(Vector4), 16u);
    EXPECT_EQ(bitsOf(tolerance), 0x3727C5ACu);  // 0.00000999999974737875...
}

TEST(Vector, SetSubtractScale)
{
    Vector3 a, b, out;
    set(a, 1.5f, -2.0f, 4.0f);
    set(b, 0.5f, 1.0f, -4.0f);
    subtract(out, a, b);
    EXPECT_EQ(out.x, 1.0f);
    EXPECT_EQ(out.y, -3.0f);
    EXPECT_EQ(out.z, 8.0f);
    scale(out, a, -2.0f);
    EXPECT_EQ(out.x, -3.0f);
    EXPECT_EQ(out.y, 4.0f);
    EXPECT_EQ(out.z, -8.0f);
}

TEST(Vector, OperationsMayWriteIntoAnInput)
{
    Vector3 a, b;
    // aliasing
    set(a, 1, 2, 3);
    set(b, 4, 5, 6);
    cross(a, a, b);  // (2*6-3*5, 3*4-1*6, 1*5-2*4)
    EXPECT_EQ(a.x, -3.0f);
    EXPECT_EQ(a.y, 6.0f);
    EXPECT_EQ(a.z, -3.0f);

    set(a, 1, 2, 3);
    cross(b, a, b);
    EXPECT_EQ(b.x, -3.0f);
    EXPECT_EQ(b.y, 6.0f);
    EXPECT_EQ(b.z, -3.0f);

    set(a, 1, 2, 3);
    set(b, 4, 5, 6);
    subtract(b, a, b);
    EXPECT_EQ(b.x, -3.0f);
    EXPECT_EQ(b.z, -3.0f);

    set(a, 3, 0, 4);
    normalize(a, a);
    EXPECT_EQ(a.x, 0.6f);
    EXPECT_EQ(a.y, 0.0f);
    EXPECT_EQ(a.z, 0.8f);

    scale(a, a, 10.0f);
    EXPECT_EQ(a.x, 6.0f);
}

TEST(Vector, CrossOfAxes)
{
    Vector3 y, x, out;
    set(y, 0, 1, 0);
    set(x, 1, 0, 0);
    cross(out, y, x);
    EXPECT_EQ(out.x, 0.0f);
    EXPECT_EQ(out.y, 0.0f);
    EXPECT_EQ(out.z, -1.0f);
}

TEST(Vector, NormalizeThresholdIsOnSquaredLength)
{
    Vector3 v, out;
    // squared length 0.000012: above the tolerance, a unit vector
    normalize(out, set(v, 0.002f, 0.002f, 0.002f));
    EXPECT_NEAR(out.x, 0.57735f, 1e-5);
    EXPECT_NEAR(dot(out, out), 1.0f, 1e-6);
    // squared length 0.000003, and a length of 0.003 (squared 0.000009): zero
    normalize(out, set(v, 0.001f, 0.001f, 0.001f));
    EXPECT_EQ(out.x, 0.0f);
    EXPECT_EQ(out.y, 0.0f);
    EXPECT_EQ(out.z, 0.0f);
    normalize(out, set(v, 0.003f, 0.0f, 0.0f));
    EXPECT_EQ(out.x, 0.0f);
    normalize(out, set(v, 0, 0, 0));
    EXPECT_EQ(out.z, 0.0f);

    // boundary: a squared length of exactly the tolerance is not below it
    const float atThreshold = 0x1.9e7c6ep-9f;  // its square rounds to the tolerance
    set(v, atThreshold, 0.0f, 0.0f);
    ASSERT_EQ(bitsOf(dot(v, v)), bitsOf(tolerance));
    normalize(out, v);
    EXPECT_NEAR(out.x, 1.0f, 1e-6);
    set(v, std::nextafter(atThreshold, 0.0f), 0.0f, 0.0f);
    ASSERT_LT(dot(v, v), tolerance);
    normalize(out, v);
    EXPECT_EQ(out.x, 0.0f);
}

TEST(Vector, DotSumsInDoubleAndRoundsOnce)
{
    Vector3 a, b;
    set(a, -0x1.ecep-12f, 0x1.c6e6p-4f, 0x1.6f102p-1f);
    set(b, 0x1.79a718p+0f, 0x1.37075cp+0f, -0x1.5a70f4p-1f);
    EXPECT_EQ(bitsOf(dot(a, b)), bitsOf(-0x1.6747e6p-2f));
    // float-only arithmetic lands one unit away: the input tells the two apart
    float floatOnly = storedFloat(storedFloat(storedFloat(a.x * b.x) + storedFloat(a.y * b.y)) + storedFloat(a.z * b.z));
    EXPECT_NE(bitsOf(dot(a, b)), bitsOf(floatOnly));
}

TEST(Vector, CrossRoundsEachComponentOnce)
{
    Vector3 a, b, out;
    set(a, 0x1.131854p+0f, 0x1.d4e758p+0f, -0x1.7cf05cp-1f);
    set(b, -0x1.481dp+0f, 0x1.29793p-2f, -0x1.6ddbecp+0f);
    cross(out, a, b);
    EXPECT_EQ(bitsOf(out.x), bitsOf(-0x1.3365e2p+1f));
    float floatOnly = storedFloat(storedFloat(a.y * b.z) - storedFloat(a.z * b.y));
    EXPECT_NE(bitsOf(out.x), bitsOf(floatOnly));
}

TEST(Vector, ApproxEqualBoundaryCountsAsEqual)
{
    Vector3 a, b;
    set(a, 1, 2, 3);
    EXPECT_TRUE(approxEqual(a, set(b, 1.000005f, 2, 3)));
    EXPECT_FALSE(approxEqual(a, set(b, 1, 2, 3.0001f)));
    // boundary: a difference of exactly the tolerance matches, the next float above does not
    EXPECT_TRUE(approxEqual(set(a, 0, 0, 0), set(b, 0, 0, tolerance)));
    EXPECT_TRUE(approxEqual(set(a, 0, -tolerance, 0), set(b, 0, 0, 0)));
    EXPECT_FALSE(approxEqual(set(a, 0, 0, 0), set(b, 0, 0, std::nextafter(tolerance, 1.0f))));
    // absolute, not relative: large values must be within 0.00001 too
    EXPECT_FALSE(approxEqual(set(a, 1e6f, 0, 0), set(b, std::nextafter(1e6f, 2e6f), 0, 0)));
    // negative zero equals zero
    EXPECT_TRUE(approxEqual(set(a, -0.0f, 0, -0.0f), set(b, 0, -0.0f, 0)));
    // overflowing difference is not equal
    EXPECT_FALSE(approxEqual(set(a, 3e38f, 0, 0), set(b, -3e38f, 0, 0)));
}

TEST(Vector, ApproxEqualOfVector2ComparesTwoComponents)
{
    // a Vector3 lying right after each Vector2 differs in z, which must not be read
    struct {
        Vector2 v;
        float after;
    } a = {{1, 2}, 0.0f}, b = {{1.000009f, 2}, 100.0f};
    EXPECT_TRUE(approxEqual(a.v, b.v));
    b.v.y = 2.0001f;
    EXPECT_FALSE(approxEqual(a.v, b.v));
}
