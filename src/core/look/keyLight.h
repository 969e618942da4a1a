#pragma once
// The key light of the physically based look: one direction, up and to the left of the eye.

#include "core/math/matrix.h"
#include "core/math/vector.h"

// The direction toward the key light in the world for a camera of view matrix `view` (a
// rotation and a translation): (-0.48, 0.64, 0.6) in the view's own axes (x right, y up, z toward
// the eye), turned into the world by the view's rotation. For the first camera, at +x looking
// along -x, it is (0.6, 0.64, 0.48), the fixed light of the shipped shaders.
void keyLightDirection(const Matrix4& view, Vector3& out);
