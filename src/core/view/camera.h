#pragma once
// The camera the user moves: it orbits a target, closer or farther, and pans.

#include "core/math/matrix.h"

// The camera looks at `target` from `distance` away, turned `yaw` radians about the world's up
// axis (y) from +x and tilted `pitch` radians towards +y. With yaw and pitch 0, distance 50 and
// the target at the origin it is the viewer's first camera: eye (50, 0, 0).
struct Camera {
    double yaw, pitch;
    double distance;
    double target[3];
};

// The first camera, turned as a drag would turn it by `yawDegrees` and `pitchDegrees`.
void startCamera(Camera& camera, double yawDegrees, double pitchDegrees);

// A left drag of dx, dy pixels in a window of width x height: a drag across the whole width
// turns the camera 180 degrees about the world's up axis (right: the front follows the cursor),
// one down the whole height tilts it 180 degrees, stopping 1 degree short of straight up and down.
void orbitCamera(Camera& camera, double dx, double dy, int width, int height);

// Moves the camera towards its target (factor below 1) or away, keeping where it looks; the
// distance stays between 1e-4 and 1e7.
void zoomCamera(Camera& camera, double factor);

// A pan drag of dx, dy pixels: the point of the target's depth under the cursor stays under it.
void panCamera(Camera& camera, double dx, double dy, int width, int height);

// The eye's position in the world.
void cameraEye(const Camera& camera, Vector3& eye);

// The view (lookAt from the eye to the target, y up) and projection (45 degrees vertical field,
// width / height = `aspect`, near and far planes at distance/50 and 1024 distance/50, so that they
// follow a zoom). For the first camera and aspect 1: exactly lookAt(50, 0, 0, 0, 0, 0, 0, 1, 0)
// and perspective(45, 1, 1, 1024).
void cameraMatrices(const Camera& camera, double aspect, Matrix4& view, Matrix4& projection);
