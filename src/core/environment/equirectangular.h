#pragma once
// Environment images: an equirectangular picture of all directions, its cube map faces, and the
// directions both stand for. Directions are in the world: y up; the default camera, at +x, looks
// along -x with -z on its right.

#include "core/math/vector.h"

#include <cstddef>
#include <vector>

// RGB pixels of 32-bit floats, top row first: column u from 0 (left) to 1 (right) is the
// longitude, row v from 0 (top, +y) to 1 (bottom, -y) the latitude.
struct EquirectangularImage {
    int width = 0, height = 0;
    std::vector<float> rgb;  // width * height * 3
};

// The image's (u, v), each from 0 to 1, where direction `d` (not necessarily of unit length,
// not 0) lies: u = 0.5 + atan2(-d.z, -d.x) / 2 pi, so that the middle column is -x, the view of
// the default camera, and the right quarter -z; v = acos(d.y / |d|) / pi.
void equirectangularCoordinates(const Vector3& d, double& u, double& v);

// The unit direction of the image's point (u, v): the inverse of equirectangularCoordinates.
void equirectangularDirection(double u, double v, Vector3& out);

// The image's colour in direction `d`, interpolated bilinearly between the four nearest pixel
// centres, wrapping around in longitude and clamped at the poles' rows.
void sampleEquirectangular(const EquirectangularImage& image, const Vector3& d, float (&rgb)[3]);

// The six faces of a cube map, in OpenGL's order (+x, -x, +y, -y, +z, -z), each `size` x `size`
// RGB float texels, row t = 0 first, as glTexImage2D takes them.
struct CubeFaces {
    int size = 0;
    std::vector<float> faces[6];
};

// The direction through texel coordinates (s, t), each from 0 to 1, of cube face `face` (0 to 5),
// as OpenGL's cube map sampling picks the face and coordinates for a direction (not of unit length).
void cubeFaceDirection(int face, double s, double t, Vector3& out);

// Fills the six faces of `size` texels a side by sampling the image at each texel's centre.
void cubeFacesOfEquirectangular(const EquirectangularImage& image, int size, CubeFaces& out);

// The side of the cube faces made of an image `width` pixels wide: a quarter of it (90 degrees
// of longitude), at least 1, at most `largest`.
int cubeFaceSizeFor(int width, int largest);
