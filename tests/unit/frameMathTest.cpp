#include "core/platform/platform.h"
#include "core/diag/entryPointList.h"
#include "core/view/camera.h"
#include "core/view/frameMath.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>
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

// The clip coordinates of the point (x, y, z, 1) under m.
Vector4 project(const Matrix4& m, float x, float y, float z)
{
    Vector3 xyz = apply(m, x, y, z);
    return Vector4{xyz.x, xyz.y, xyz.z, m[3] * x + m[7] * y + m[11] * z + m[15]};
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
    worldRotation(world, 1571 / 1000.0);
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

TEST(Camera, FirstCameraIsTheFixedOneBitForBit)
{
    Camera camera;
    startCamera(camera, 0.0, 0.0);
    Matrix4 view, projection, fixedView, fixedProjection;
    cameraMatrices(camera, 1.0, view, projection);
    lookAt(fixedView, 50.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f);
    perspective(fixedProjection, 45.0f, 1.0f, 1.0f, 1024.0f);
    EXPECT_EQ(memcmp(&view, &fixedView, sizeof(Matrix4)), 0);
    EXPECT_EQ(memcmp(&projection, &fixedProjection, sizeof(Matrix4)), 0);
}

TEST(Camera, DragsTurnTiltZoomAndPanAsTheHandExpects)
{
    Camera camera;
    startCamera(camera, 0.0, 0.0);
    Vector3 eye;
    // half the width: a quarter turn about y, from +x to +z
    orbitCamera(camera, 256.0, 0.0, 512, 512);
    cameraEye(camera, eye);
    EXPECT_NEAR(eye.x, 0.0f, 1e-5f);
    EXPECT_NEAR(eye.z, 50.0f, 1e-5f);
    Camera turned;
    startCamera(turned, 90.0, 0.0);
    EXPECT_DOUBLE_EQ(turned.yaw, camera.yaw);
    // tilting stops a degree short of the pole, however far the drag goes
    orbitCamera(camera, 0.0, 5000.0, 512, 512);
    EXPECT_DOUBLE_EQ(camera.pitch, 89.0 * 3.14159265358979323846 / 180.0);
    orbitCamera(camera, 0.0, -10000.0, 512, 512);
    EXPECT_DOUBLE_EQ(camera.pitch, -89.0 * 3.14159265358979323846 / 180.0);
    // zoom keeps the target and the direction: the target stays at the image's centre
    Matrix4 view, projection, viewProjection;
    zoomCamera(camera, 0.9);
    EXPECT_DOUBLE_EQ(camera.distance, 45.0);
    cameraMatrices(camera, 1.0, view, projection);
    multiply(projection, viewProjection, view);
    EXPECT_NEAR(viewProjection[12], 0.0f, 1e-5f);
    EXPECT_NEAR(viewProjection[13], 0.0f, 1e-5f);
    // panning by 100 pixels right and 50 down keeps the point under the cursor there: a point of
    // the target's depth 100 right and 50 below the centre is at the new centre's spot
    startCamera(camera, 30.0, 20.0);
    cameraMatrices(camera, 1.0, view, projection);
    multiply(projection, viewProjection, view);
    Vector4 before = project(viewProjection, 0.0f, 0.0f, 0.0f);
    panCamera(camera, 100.0, 50.0, 512, 512);
    cameraMatrices(camera, 1.0, view, projection);
    multiply(projection, viewProjection, view);
    Vector4 after = project(viewProjection, 0.0f, 0.0f, 0.0f);
    EXPECT_NEAR((after.x / after.w - before.x / before.w) * 256.0f, 100.0f, 0.01f);
    EXPECT_NEAR((after.y / after.w - before.y / before.w) * 256.0f, -50.0f, 0.01f);
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

TEST(GroundGrid, LiesUnderTheModelAtEveryMomentOfTheSpin)
{
    // a box off the origin: with the fit and without, every corner stays on or above the grid as
    // the model spins; fitted, the lowest comes within a third of the radius of it
    const std::vector<Vector3> corners = {{1, 6, 3}, {3, 2, 7}, {1, 2, 7}, {3, 6, 3}, {3, 6, 7}, {1, 2, 3}};
    ModelExtent extent = extentOf({{1, 6, 3}, {3, 2, 7}, {1, 2, 7}, {3, 6, 3}, {3, 6, 7}, {1, 2, 3}});
    for (bool fit : {true, false}) {
        std::vector<float> lines;
        groundGrid(turningRadius(extent, fit), lines);
        ASSERT_EQ(lines.size(), size_t(2 * 17 * 2 * 3)) << fit;
        float ground = lines[1];
        for (size_t i = 1; i < lines.size(); i += 3)
            EXPECT_EQ(lines[i], ground);
        // square, centred under the origin, twice the radius each side
        EXPECT_FLOAT_EQ(lines[0], 2.0f * ground);
        EXPECT_FLOAT_EQ(lines[3], -2.0f * ground);
        Matrix4 fitted;
        fitToView(fitted, extent);
        double lowest = 1e30;
        for (int step = 0; step < 400; ++step) {
            Matrix4 world;
            worldRotation(world, step * 0.05);
            if (fit)
                multiply(world, world, fitted);
            for (const Vector3& c : corners)
                lowest = std::min(lowest, double(apply(world, c.x, c.y, c.z).y));
        }
        EXPECT_GE(lowest, ground - 1e-4) << fit;
        EXPECT_TRUE(!fit || lowest < ground * 0.7) << lowest;
    }
    // nothing to stand under
    std::vector<float> lines = {1.0f};
    for (double radius : {turningRadius(extentOf({}), true), turningRadius(extentOf({{2, 2, 2}}), true), 0.0,
                          -1.0, std::nan(""), HUGE_VAL}) {
        groundGrid(radius, lines);
        EXPECT_TRUE(lines.empty()) << radius;
    }
}

TEST(FitToView, PrescalesOnlySizesOutsideItsRangeToBetweenOneAndTwo)
{
    // across, exponent: inside, untouched; at the bounds and beyond, to between 1 and 2
    const std::pair<float, int> cases[] = {{0x1p-60f, 0},         {1.0f, 0},        {0x1.fffffep39f, 0},
                                           {0x1.fffffep-61f, 61}, {0x1p-149f, 149}, {0x1p40f, -40},
                                           {1e20f, -66},          {FLT_MAX, -127}};
    for (const auto& c : cases) {
        std::vector<Vertex> vertices(1);
        set(vertices[0].position, c.first, 0, 0);
        EXPECT_EQ(fitPrescaleExponent(extentOf({{0, 0, 0}, vertices[0].position})), c.second) << c.first;
        scalePositions(vertices, c.second);
        EXPECT_TRUE(c.second == 0 || (vertices[0].position.x >= 1.0f && vertices[0].position.x < 2.0f)) << c.first;
    }
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
    // it keeps the steady clock's pace: each reading bracketed by two of the steady clock, over
    // 20 steps of the tick count (1 ms, or GetTickCount's 16), however the test is interrupted
    using Steady = std::chrono::steady_clock;
    auto msBetween = [](Steady::time_point from, Steady::time_point to) {
        return std::chrono::duration<double, std::milli>(to - from).count();
    };
    uint32_t before = tickCountMs(), after;
    while ((after = tickCountMs()) == before) {
    }
    double step = after - before;  // readings lag the time by up to a step
    Steady::time_point beforeFirst = Steady::now();
    first = tickCountMs();
    Steady::time_point afterFirst = Steady::now();
    while (msBetween(afterFirst, Steady::now()) < 20.0 * step) {
    }
    Steady::time_point beforeLast = Steady::now();
    uint32_t last = tickCountMs();
    Steady::time_point afterLast = Steady::now();
    EXPECT_GE(double(last - first), msBetween(afterFirst, beforeLast) - step);
    EXPECT_LE(double(last - first), msBetween(beforeFirst, afterLast) + step);
}
