#include "core/view/frameMath.h"

#include <algorithm>
#include <cmath>

float frameAngle(uint32_t tickMs)
{
    return float(double(tickMs) / 1000.0);
}

void worldRotation(Matrix4& world, double seconds)
{
    rotationAxisAngle(world, float(seconds), 1.0f, 1.0f, 1.0f);
}

namespace {

const double cameraDistance = 50.0;
const double halfFieldOfView = 0.39269908169872414;  // 22.5 degrees
const double windowPixels = 512.0;

} // namespace

void measureModel(const std::vector<Vertex>& vertices, ModelExtent& out)
{
    out.empty = vertices.empty();
    out.reach = 0.0;
    set(out.low, 0.0f, 0.0f, 0.0f);
    set(out.high, 0.0f, 0.0f, 0.0f);
    if (out.empty)
        return;
    out.low = out.high = vertices[0].position;
    for (const Vertex& v : vertices) {
        const Vector3& p = v.position;
        set(out.low, std::min(out.low.x, p.x), std::min(out.low.y, p.y), std::min(out.low.z, p.z));
        set(out.high, std::max(out.high.x, p.x), std::max(out.high.y, p.y), std::max(out.high.z, p.z));
        out.reach = std::max(out.reach, std::sqrt(double(p.x) * p.x + double(p.y) * p.y + double(p.z) * p.z));
    }
}

double modelSize(const ModelExtent& extent)
{
    double dx = double(extent.high.x) - extent.low.x, dy = double(extent.high.y) - extent.low.y,
           dz = double(extent.high.z) - extent.low.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

void fitToView(Matrix4& m, const ModelExtent& extent)
{
    identity(m);
    if (extent.empty)
        return;
    double radius = modelSize(extent) / 2.0;
    double scale = radius > 0.0 ? cameraDistance * std::sin(halfFieldOfView) / radius : 1.0;
    double centre[3] = {(double(extent.low.x) + extent.high.x) / 2.0, (double(extent.low.y) + extent.high.y) / 2.0,
                        (double(extent.low.z) + extent.high.z) / 2.0};
    m[0] = m[5] = m[10] = float(scale);
    for (int i = 0; i < 3; ++i)
        m[12 + i] = float(-centre[i] * scale);
}

int fitPrescaleExponent(const ModelExtent& extent)
{
    double size = extent.empty ? 0.0 : modelSize(extent);
    if (!(size > 0.0) || (size >= std::ldexp(1.0, -60) && size < std::ldexp(1.0, 40)))
        return 0;
    return -std::ilogb(size);  // the size comes to between 1 and 2
}

void scalePositions(std::vector<Vertex>& vertices, int exponent)
{
    if (exponent == 0)
        return;
    for (Vertex& v : vertices)
        set(v.position, std::ldexp(v.position.x, exponent), std::ldexp(v.position.y, exponent),
            std::ldexp(v.position.z, exponent));
}

ModelView viewOf(const ModelExtent& extent)
{
    if (extent.empty || modelSize(extent) == 0.0)
        return ModelView::fine;
    if (extent.reach >= cameraDistance)
        return ModelView::pastCamera;
    double pixelsPerUnit = windowPixels / (2.0 * cameraDistance * std::tan(halfFieldOfView));
    return modelSize(extent) * pixelsPerUnit < 8.0 ? ModelView::speck : ModelView::fine;
}

double turningRadius(const ModelExtent& extent, bool fit)
{
    if (extent.empty || modelSize(extent) == 0.0)
        return 0.0;
    return fit ? cameraDistance * std::sin(halfFieldOfView) : extent.reach;
}

void groundGrid(double radius, std::vector<float>& lines)
{
    lines.clear();
    if (!(radius > 0.0) || !std::isfinite(radius))
        return;
    const int cells = 8;  // each side of the centre
    double half = 2.0 * radius, y = -radius;
    for (int axis = 0; axis < 2; ++axis)
        for (int i = -cells; i <= cells; ++i) {
            double at = half * i / cells;
            // along x at z = at, then along z at x = at
            double ends[2][3] = {{axis == 0 ? -half : at, y, axis == 0 ? at : -half},
                                 {axis == 0 ? half : at, y, axis == 0 ? at : half}};
            for (const double* end : ends)
                for (int c = 0; c < 3; ++c)
                    lines.push_back(float(end[c]));
        }
}
