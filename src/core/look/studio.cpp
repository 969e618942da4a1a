#include "core/look/studio.h"

#include <cmath>

namespace {

// A soft box: its centre's direction, the directions of its width and height (unit, at right
// angles to it and each other), its half extents as tangents of the angles, and its radiance.
struct SoftBox {
    Vector3 centre, across, up;
    double halfWidth, halfHeight;
    float radiance;
};

double dot3(const Vector3& a, const Vector3& b)
{
    return double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z;
}

// 0 below `edge0`, 1 above `edge1`, the smooth Hermite step between.
double smoothStep(double edge0, double edge1, double x)
{
    double t = (x - edge0) / (edge1 - edge0);
    t = t < 0.0 ? 0.0 : t > 1.0 ? 1.0 : t;
    return t * t * (3.0 - 2.0 * t);
}

// How much of the box direction `d` sees, from 0 to 1: the direction's point on the box's plane
// (one unit away along its centre) inside the rectangle, its edges softened.
double insideBox(const SoftBox& box, const Vector3& d)
{
    double along = dot3(d, box.centre);
    if (along <= 0.0)
        return 0.0;
    double x = std::fabs(dot3(d, box.across) / along), y = std::fabs(dot3(d, box.up) / along);
    return (1.0 - smoothStep(0.9 * box.halfWidth, box.halfWidth, x)) *
           (1.0 - smoothStep(0.9 * box.halfHeight, box.halfHeight, y));
}

// Unit vectors: the key box up and to the camera's left (+z is its left), the fill to its right,
// the strip straight above, a little toward the camera.
const SoftBox boxes[] = {
    {{0.612372f, 0.5f, 0.612372f}, {-0.707107f, 0.0f, 0.707107f}, {-0.353553f, 0.866025f, -0.353553f}, 0.45, 0.35,
     2.0f},
    {{0.766242f, 0.173693f, -0.618630f}, {0.628179f, 0.0f, 0.778069f}, {-0.135145f, 0.984800f, 0.109110f}, 0.3, 0.5,
     0.6f},
    {{0.173648f, 0.984808f, 0.0f}, {0.0f, 0.0f, 1.0f}, {-0.984808f, 0.173648f, 0.0f}, 0.9, 0.12, 1.0f},
};

} // namespace

float studioRadiance(const Vector3& d)
{
    double y = d.y;
    double room = y < 0.0 ? 0.12 - 0.07 * smoothStep(0.0, 0.3, -y) : 0.12 + 0.08 * smoothStep(0.0, 1.0, y);
    double light = 0.0;
    for (const SoftBox& box : boxes)
        light += box.radiance * insideBox(box, d);
    return float(room + light);
}

void makeStudioEnvironment(int width, EquirectangularImage& out)
{
    out.width = width < 2 ? 2 : width;
    out.height = out.width / 2;
    out.rgb.assign(size_t(out.width) * size_t(out.height) * 3, 0.0f);
    for (int row = 0; row < out.height; ++row)
        for (int column = 0; column < out.width; ++column) {
            Vector3 d;
            equirectangularDirection((column + 0.5) / out.width, (row + 0.5) / out.height, d);
            float radiance = studioRadiance(d);
            float* pixel = &out.rgb[(size_t(row) * size_t(out.width) + size_t(column)) * 3];
            pixel[0] = pixel[1] = pixel[2] = radiance;
        }
}
