#pragma once
// The matrices of one frame, without OpenGL.

#include "math/matrix.h"

#include <cstdint>

// The world rotation angle for a tick count: the unsigned milliseconds converted exactly to
// double, divided by 1000 and rounded to float. Never negative; it falls back to 0 when the
// count wraps after 2^32 ms.
float frameAngle(uint32_t tickMs);

// Projection times view of the fixed camera: eye (50, 0, 0) looking at the origin with y up,
// 45 degrees vertical field of view, aspect 1, depth from 1 to 1024.
void cameraViewProjection(Matrix4& viewProjection);

// The world rotation about (1, 1, 1) at one radian per second.
void worldRotation(Matrix4& world, uint32_t tickMs);
