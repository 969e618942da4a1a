#include "core/platform/platform.h"
#include "core/diag/entryPointList.h"
#include "core/view/frameMath.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

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

namespace {

ModelExtent extentOf(std::initializer_list<Vector3> positions)
{
    std::vector<Vertex> vertices;
    for (const Vector3& p : positions) {
        Vertex v = {};
        v.position = p;
        vertices.push_back(v);
    }
    ModelExtent extent;
    measureModel(vertices, extent);
    return extent;
}

} // namespace

TEST(FitToView, CentresTheBoxAndFitsItsSphereToTheView)
{
    // a box from (1, 2, 3) to (3, 6, 7): centre (2, 4, 5), half diagonal 3
    ModelExtent extent = extentOf({{1, 6, 3}, {3, 2, 7}, {2, 4, 5}});
    EXPECT_EQ(extent.low.y, 2.0f);
    EXPECT_EQ(extent.high.z, 7.0f);
    Matrix4 m;
    fitToView(m, extent);
    const double viewRadius = 50.0 * std::sin(0.39269908169872414);  // 22.5 degrees: the sphere just inside the view
    Vector3 centre = apply(m, 2, 4, 5), corner = apply(m, 3, 6, 7);
    EXPECT_NEAR(centre.x, 0.0, 1e-5);
    EXPECT_NEAR(centre.y, 0.0, 1e-5);
    EXPECT_NEAR(centre.z, 0.0, 1e-5);
    EXPECT_NEAR(std::sqrt(double(corner.x) * corner.x + double(corner.y) * corner.y + double(corner.z) * corner.z),
                viewRadius, 1e-5);
    // one point is only centred; nothing at all stays where it is
    fitToView(m, extentOf({{5, -1, 2}}));
    EXPECT_EQ(m[0], 1.0f);
    EXPECT_EQ(m[12], -5.0f);
    fitToView(m, extentOf({}));
    EXPECT_EQ(m[12], 0.0f);
    EXPECT_EQ(m[0], 1.0f);
}

TEST(FitToView, TellsASpeckAndAModelPastTheCamera)
{
    EXPECT_EQ(viewOf(extentOf({{0, 0, 0}, {0.3f, 0.3f, 0}})), ModelView::speck);  // about 5 pixels
    EXPECT_EQ(viewOf(extentOf({{0, 0, 0}, {1, 0, 0}})), ModelView::fine);          // about 12 pixels
    EXPECT_EQ(viewOf(extentOf({{-19, -19, -6}, {19, 19, 6}})), ModelView::fine);  // the shipped torus
    EXPECT_EQ(viewOf(extentOf({{0, 0, 0}, {0, 0, 50}})), ModelView::pastCamera);  // 50 from the axis of the spin
    EXPECT_EQ(viewOf(extentOf({})), ModelView::fine);
}

namespace {

// Seconds since this process started, or a negative number where that cannot be told.
double processAge()
{
#ifdef _WIN32
    FILETIME created, exited, kernel, user, now;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return -1.0;
    GetSystemTimeAsFileTime(&now);
    auto ticks = [](const FILETIME& t) { return (uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return double(ticks(now) - ticks(created)) / 1e7;  // in units of 100 ns
#else
    // the machine's uptime less the process's start, field 22 of its stat, in clock ticks
    FILE* uptimeFile = fopen("/proc/uptime", "r");
    FILE* statFile = fopen("/proc/self/stat", "r");
    double uptime = 0;
    char stat[4096] = {};
    bool read = uptimeFile && statFile && fscanf(uptimeFile, "%lf", &uptime) == 1 && fgets(stat, sizeof(stat), statFile);
    if (uptimeFile)
        fclose(uptimeFile);
    if (statFile)
        fclose(statFile);
    const char* field = read ? strrchr(stat, ')') : nullptr;  // after the command's name
    unsigned long long start = 0;
    if (!field || sscanf(field, ") %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %*u %*u %*d %*d %*d %*d %*d %*d %llu",
                         &start) != 1)
        return -1.0;
    return uptime - double(start) / double(sysconf(_SC_CLK_TCK));
#endif
}

} // namespace

TEST(Clock, CountsFromTheStartOfTheProcess)
{
    double age = processAge();
    if (age < 0.0)
        GTEST_SKIP() << "the process's age cannot be told here";
    // a clock from the start of the system would be as old as the machine's uptime
    uint32_t first = tickCountMs();
    EXPECT_LE(first, uint32_t(age * 1000.0) + 1000u);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_GE(tickCountMs() - first, 19u);
}
