#pragma once
// The spin of one frame, and placing a model in the view, without OpenGL.

#include "core/mesh/vertex.h"
#include "core/math/matrix.h"

#include <cstdint>
#include <vector>

// The world rotation angle for a tick count: the unsigned milliseconds converted exactly to
// double, divided by 1000 and rounded to float. Never negative; it falls back to 0 when the
// count wraps after 2^32 ms.
float frameAngle(uint32_t tickMs);

// The world rotation about (1, 1, 1) at one radian per second: `seconds` rounded to float is the
// angle (for a tick count, frameAngle's).
void worldRotation(Matrix4& world, double seconds);

// Where a model lies as loaded: the box around its positions, and the farthest any position is
// from the origin, about which it spins. `empty` without vertices.
struct ModelExtent {
    Vector3 low, high;
    double reach;
    bool empty;
};

void measureModel(const std::vector<Vertex>& vertices, ModelExtent& out);

// The length of the box's diagonal.
double modelSize(const ModelExtent& extent);

// The scale and translation that centre the box on the origin and make the sphere around it just
// fit the camera's view: radius 50 sin(22.5 degrees), about 19.1. Each element one double
// formula rounded once; a box of no size is only centred, an empty model gives the identity.
void fitToView(Matrix4& m, const ModelExtent& extent);

// The power of two by which the positions of a model too small or too large for the fit to show
// alike are multiplied before the fit, exactly, bringing its size to between 1 and 2; 0 for every
// other model. Under 2^-60 across, the fit's scale would overflow a float, or the coordinates be
// flushed to zero by the GPU; from 2^40 across, the scale, which the world matrix applies to the
// normals too, makes their squared length so small that the GPU flushes it to zero (normalize
// then gives no direction) from about 1e20 across, and costs them precision before.
int fitPrescaleExponent(const ModelExtent& extent);

// Multiplies every position by 2^exponent, exactly for the positions fitPrescaleExponent is
// meant for (but for coordinates that a negative exponent takes below 2^-126, some 2^126 times
// smaller than the model, which keep fewer bits).
void scalePositions(std::vector<Vertex>& vertices, int exponent);

// How a model shows from the camera as loaded: fine; a speck, its box under 8 pixels of the
// 512-pixel window across; or reaching past the camera, 50 units away, as it spins. A model of no
// size (empty, or welded into one point) is fine: no fit would help it.
enum class ModelView { fine, speck, pastCamera };
ModelView viewOf(const ModelExtent& extent);

// The radius of the sphere the model turns in: with the fit, the radius the fit gives the sphere
// around its box (about 19.1); without, the farthest any position is from the origin. 0 for an
// empty model or one of no size.
double turningRadius(const ModelExtent& extent, bool fit);

// The lines of a square ground grid under a model turning in a sphere of `radius` about the
// origin: the plane y = -radius, from -2 radius to 2 radius along x and z, 8 cells each side of
// the centre. Writes the lines' ends into `lines`, x, y, z each, two ends a line (17 lines along x,
// then 17 along z); nothing for a radius that is not above 0 and finite.
void groundGrid(double radius, std::vector<float>& lines);
