#pragma once
// The first nine spherical-harmonic coefficients of an environment: enough for its diffuse light.

#include "core/environment/equirectangular.h"

constexpr int shCoefficientCount = 9;

// The real spherical harmonics of bands 0 to 2 at a unit direction, in this order, as the
// shaders evaluate them on x, y, z of the world:
//   0.282095;  0.488603 y, 0.488603 z, 0.488603 x;
//   1.092548 xy, 1.092548 yz, 0.315392 (3 z^2 - 1), 1.092548 xz, 0.546274 (x^2 - y^2).
void sphericalHarmonicsAt(const Vector3& d, double (&out)[shCoefficientCount]);

// The coefficients of the image, its integral over the sphere against each basis function:
// c_i = sum over pixels of colour * Y_i(pixel centre's direction) * the pixel's solid angle
// (2 pi / width) (cos top - cos bottom), summed in double. An empty image gives zeros.
void projectOntoSphericalHarmonics(const EquirectangularImage& image, float (&out)[shCoefficientCount][3]);
