#pragma once
// The built-in studio environment of the physically based look: a neutral grey room made in code,
// lit by three soft boxes, used when no --cubemap image is given (or its image cannot be read).

#include "core/environment/equirectangular.h"

// The studio's radiance in unit direction `d` (y up), the same in red, green and blue: a floor of
// 0.05 rising to walls of 0.12 at the horizon and a ceiling of 0.2, and three soft boxes toward the
// default camera's side (+x): a key box above and to the left (radiance 2), a fill box to the
// right (0.6) and a strip overhead (1), each a rectangle of the sky with edges softened over a
// tenth of its size.
float studioRadiance(const Vector3& d);

// Fills `out` with the studio as an equirectangular image `width` pixels wide (width / 2 high, at
// least 1), each pixel its centre's radiance.
void makeStudioEnvironment(int width, EquirectangularImage& out);
