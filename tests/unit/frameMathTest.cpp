#include "render/entryPoints.h"
#include "render/frameMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

// Applies m to the point (x, y, z, 1).
Vector3 apply(const Matrix4& m, float x, float y, float z)
{
    return Vector3{m[0] * x + m[4] * y + m[8] * z + m[12], m[1] * x + m[5] * y + m[9] * z + m[13],
                   m[2] * x + m[6] * y + m[10] * z + m[14]};
}

} // namespace

TEST(FrameAngle, OneRadianPerSecond)
{
    EXPECT_EQ(frameAngle(0), 0.0f);
    EXPECT_EQ(frameAngle(1000), 1.0f);
    EXPECT_EQ(frameAngle(1571), 1.571f);
    EXPECT_EQ(frameAngle(1), float(0.001));
}

TEST(FrameAngle, WrapNeverGoesNegative)
{
    const uint32_t last = 0xFFFFFFFFu;  // 49.7 days
    EXPECT_EQ(frameAngle(last), float(4294967.295));
    EXPECT_GT(frameAngle(last), 4294967.0f);
    EXPECT_EQ(frameAngle(uint32_t(last + 1u)), 0.0f);  // the next tick wraps to 0
    EXPECT_GT(frameAngle(0x80000000u), 0.0f);          // no sign bit in the count
}

TEST(WorldRotation, IdentityAtTickZeroAndQuarterTurnAt1571)
{
    Matrix4 world;
    worldRotation(world, 0);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(world[i], (i % 5 == 0) ? 1.0f : 0.0f) << i;

    // about a quarter turn about (1, 1, 1): a vector across the axis turns by 90 degrees
    worldRotation(world, 1571);
    Vector3 across = {1.0f, -1.0f, 0.0f};
    Vector3 turned = apply(world, across.x, across.y, across.z);
    EXPECT_NEAR(dot(across, turned), 0.0f, 1e-3);
    EXPECT_NEAR(dot(turned, turned), 2.0f, 1e-5);
    // counter-clockwise seen from the axis tip: (across x turned) points along +(1, 1, 1)
    Vector3 spin;
    cross(spin, across, turned);
    EXPECT_GT(spin.x, 1.1f);
    EXPECT_NEAR(spin.x, spin.y, 1e-3);
    EXPECT_NEAR(spin.y, spin.z, 1e-3);
    // the axis itself stays
    Vector3 axis = apply(world, 1, 1, 1);
    EXPECT_NEAR(axis.x, 1.0f, 1e-6);
    EXPECT_NEAR(axis.z, 1.0f, 1e-6);
}

TEST(CameraViewProjection, OriginAtImageCentre)
{
    Matrix4 vp;
    cameraViewProjection(vp);
    EXPECT_EQ(vp[12], 0.0f);
    EXPECT_EQ(vp[13], 0.0f);
    EXPECT_EQ(vp[15], 50.0f);  // w of the origin: its distance from the eye
}

TEST(MissingEntryPoints, ListsOnlyTheMissingInOrder)
{
    int a = 0, b = 0;
    const EntryPoint points[] = {{"glFirst", &a}, {"glSecond", nullptr}, {"glThird", &b}, {"glFourth", nullptr}};
    char names[64];
    EXPECT_EQ(listMissingEntryPoints(points, 4, names, sizeof(names)), 2u);
    EXPECT_STREQ(names, "glSecond, glFourth");
    EXPECT_EQ(listMissingEntryPoints(points, 1, names, sizeof(names)), 0u);
    EXPECT_STREQ(names, "");
    // cut to fit, still terminated
    char tiny[6];
    EXPECT_EQ(listMissingEntryPoints(points, 4, tiny, sizeof(tiny)), 2u);
    EXPECT_STREQ(tiny, "glSec");
}
