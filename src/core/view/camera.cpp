#include "core/view/camera.h"

#include <algorithm>
#include <cmath>

namespace {

const double pi = 3.14159265358979323846;
const double firstDistance = 50.0;
const double maxPitch = pi / 2.0 - pi / 180.0;
const double halfFieldOfView = pi / 8.0;  // 22.5 degrees

// The unit vector from the target to the eye.
void eyeDirection(const Camera& camera, double (&direction)[3])
{
    direction[0] = std::cos(camera.pitch) * std::cos(camera.yaw);
    direction[1] = std::sin(camera.pitch);
    direction[2] = std::cos(camera.pitch) * std::sin(camera.yaw);
}

} // namespace

void startCamera(Camera& camera, double yawDegrees, double pitchDegrees)
{
    camera = Camera{0.0, 0.0, firstDistance, {0.0, 0.0, 0.0}};
    orbitCamera(camera, yawDegrees / 180.0, pitchDegrees / 180.0, 1, 1);
}

void orbitCamera(Camera& camera, double dx, double dy, int width, int height)
{
    camera.yaw += pi * dx / std::max(width, 1);
    camera.yaw = std::remainder(camera.yaw, 2.0 * pi);
    camera.pitch = std::clamp(camera.pitch + pi * dy / std::max(height, 1), -maxPitch, maxPitch);
}

void zoomCamera(Camera& camera, double factor)
{
    camera.distance = std::clamp(camera.distance * factor, 1e-4, 1e7);
}

void panCamera(Camera& camera, double dx, double dy, int width, int height)
{
    // the camera's right is the horizontal (sin yaw, 0, -cos yaw), its up the cross of that with
    // the direction from the eye; one pixel is this much at the target's depth
    double across = 2.0 * camera.distance * std::tan(halfFieldOfView);
    double perPixelX = across / std::max(width, 1), perPixelY = across / std::max(height, 1);
    double direction[3];
    eyeDirection(camera, direction);
    const double right[3] = {std::sin(camera.yaw), 0.0, -std::cos(camera.yaw)};
    const double up[3] = {-std::sin(camera.pitch) * std::cos(camera.yaw), std::cos(camera.pitch),
                          -std::sin(camera.pitch) * std::sin(camera.yaw)};
    for (int i = 0; i < 3; ++i)
        camera.target[i] += -right[i] * dx * perPixelX + up[i] * dy * perPixelY;
}

void cameraEye(const Camera& camera, Vector3& eye)
{
    double direction[3];
    eyeDirection(camera, direction);
    set(eye, float(camera.target[0] + camera.distance * direction[0]),
        float(camera.target[1] + camera.distance * direction[1]),
        float(camera.target[2] + camera.distance * direction[2]));
}

void cameraMatrices(const Camera& camera, double aspect, Matrix4& view, Matrix4& projection)
{
    Vector3 eye;
    cameraEye(camera, eye);
    lookAt(view, eye.x, eye.y, eye.z, float(camera.target[0]), float(camera.target[1]), float(camera.target[2]), 0.0f,
           1.0f, 0.0f);
    float scale = float(camera.distance / firstDistance);
    perspective(projection, 45.0f, float(aspect), scale, float(1024.0 * camera.distance / firstDistance));
}
