#include "core/environment/equirectangular.h"
#include "core/environment/sphericalHarmonics.h"

#include "support/pi.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {


double length(const Vector3& v)
{
    return std::sqrt(double(v.x) * v.x + double(v.y) * v.y + double(v.z) * v.z);
}

// OpenGL's own table: the face a direction picks and its (s, t), for the reference.
void glCubeFace(const Vector3& r, int& face, double& s, double& t)
{
    double ax = std::fabs(r.x), ay = std::fabs(r.y), az = std::fabs(r.z), sc, tc, ma;
    if (ax >= ay && ax >= az) {
        face = r.x > 0 ? 0 : 1;
        sc = r.x > 0 ? -r.z : r.z;
        tc = -r.y;
        ma = ax;
    } else if (ay >= az) {
        face = r.y > 0 ? 2 : 3;
        sc = r.x;
        tc = r.y > 0 ? r.z : -r.z;
        ma = ay;
    } else {
        face = r.z > 0 ? 4 : 5;
        sc = r.z > 0 ? r.x : -r.x;
        tc = -r.y;
        ma = az;
    }
    s = (sc / ma + 1.0) / 2.0;
    t = (tc / ma + 1.0) / 2.0;
}

// An image of `width` x width/2 pixels whose colour is f(direction of the pixel's centre).
EquirectangularImage imageOf(int width, const std::function<void(const Vector3&, float (&)[3])>& f)
{
    EquirectangularImage image;
    image.width = width;
    image.height = width / 2;
    image.rgb.resize(size_t(image.width) * size_t(image.height) * 3);
    for (int row = 0; row < image.height; ++row)
        for (int column = 0; column < image.width; ++column) {
            Vector3 d;
            equirectangularDirection((column + 0.5) / image.width, (row + 0.5) / image.height, d);
            float rgb[3];
            f(d, rgb);
            for (int c = 0; c < 3; ++c)
                image.rgb[(size_t(row) * size_t(image.width) + size_t(column)) * 3 + size_t(c)] = rgb[c];
        }
    return image;
}

} // namespace

TEST(Equirectangular, KnownDirectionsAndTheirInverse)
{
    const struct {
        Vector3 d;
        double u, v;
    } known[] = {{{-1, 0, 0}, 0.5, 0.5},   // what the default camera looks at: the middle
                 {{0, 0, -1}, 0.75, 0.5},  // its right
                 {{0, 0, 1}, 0.25, 0.5},   // its left
                 {{0, 1, 0}, -1.0, 0.0},   // up: the top row, at any longitude
                 {{0, -2, 0}, -1.0, 1.0}}; // any length
    for (const auto& k : known) {
        double u, v;
        equirectangularCoordinates(k.d, u, v);
        if (k.u >= 0.0) {
            EXPECT_NEAR(u, k.u, 1e-12);
        }
        EXPECT_NEAR(v, k.v, 1e-12);
        EXPECT_TRUE(u >= 0.0 && u <= 1.0);
    }
    for (double u = 0.01; u < 1.0; u += 0.0731)
        for (double v = 0.02; v < 1.0; v += 0.0913) {
            Vector3 d;
            equirectangularDirection(u, v, d);
            EXPECT_NEAR(length(d), 1.0, 1e-6);
            double backU, backV;
            equirectangularCoordinates(d, backU, backV);
            EXPECT_NEAR(backU, u, 1e-6);
            EXPECT_NEAR(backV, v, 1e-6);
        }
}

TEST(Equirectangular, CubeFacesAreWhereOpenGLLooksThemUp)
{
    for (int face = 0; face < 6; ++face)
        for (double s = 0.05; s < 1.0; s += 0.1)
            for (double t = 0.05; t < 1.0; t += 0.1) {
                Vector3 d;
                cubeFaceDirection(face, s, t, d);
                int found;
                double foundS, foundT;
                glCubeFace(d, found, foundS, foundT);
                EXPECT_EQ(found, face);
                EXPECT_NEAR(foundS, s, 1e-6);
                EXPECT_NEAR(foundT, t, 1e-6);
            }
    // a face's texels sample the image in their direction: up is red, down blue
    EquirectangularImage image = imageOf(64, [](const Vector3& d, float(&rgb)[3]) {
        rgb[0] = d.y > 0 ? 1.0f : 0.0f;
        rgb[1] = 0.0f;
        rgb[2] = d.y > 0 ? 0.0f : 1.0f;
    });
    CubeFaces faces;
    cubeFacesOfEquirectangular(image, 8, faces);
    EXPECT_EQ(faces.faces[2][0], 1.0f);  // +y
    EXPECT_EQ(faces.faces[3][2], 1.0f);  // -y
    EXPECT_EQ(cubeFaceSizeFor(2048, 16384), 512);
    EXPECT_EQ(cubeFaceSizeFor(2, 16384), 1);
    EXPECT_EQ(cubeFaceSizeFor(1 << 20, 4096), 4096);
}

TEST(SphericalHarmonics, EachBasisFunctionProjectsOntoItselfAlone)
{
    // orthonormality: the image of Y_j has coefficient 1 on j and 0 elsewhere
    for (int j = 0; j < shCoefficientCount; ++j) {
        EquirectangularImage image = imageOf(512, [j](const Vector3& d, float(&rgb)[3]) {
            double basis[shCoefficientCount];
            sphericalHarmonicsAt(d, basis);
            rgb[0] = rgb[1] = rgb[2] = float(basis[j]);
        });
        float sh[shCoefficientCount][3];
        projectOntoSphericalHarmonics(image, sh);
        for (int i = 0; i < shCoefficientCount; ++i)
            EXPECT_NEAR(sh[i][1], i == j ? 1.0 : 0.0, 2e-3) << i << " " << j;
    }
}

TEST(SphericalHarmonics, TwoColoursMatchABruteForceIntegralOverTheCube)
{
    // red above the horizon and left of -x, blue elsewhere: integrated again over a fine grid
    // of the cube's faces, each cell weighted by its solid angle
    auto colour = [](const Vector3& d, float(&rgb)[3]) {
        double u, v;
        equirectangularCoordinates(d, u, v);
        bool red = v < 0.5 && u < 0.5;
        rgb[0] = red ? 1.0f : 0.0f;
        rgb[1] = 0.0f;
        rgb[2] = red ? 0.0f : 1.0f;
    };
    EquirectangularImage image = imageOf(1024, colour);
    float sh[shCoefficientCount][3];
    projectOntoSphericalHarmonics(image, sh);

    const int n = 400;
    double reference[shCoefficientCount][3] = {};
    for (int face = 0; face < 6; ++face)
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                Vector3 d;
                cubeFaceDirection(face, (i + 0.5) / n, (j + 0.5) / n, d);
                double r = length(d);
                double solidAngle = (2.0 / n) * (2.0 / n) / (r * r * r);
                Vector3 unit{float(d.x / r), float(d.y / r), float(d.z / r)};
                float rgb[3];
                colour(unit, rgb);
                double basis[shCoefficientCount];
                sphericalHarmonicsAt(unit, basis);
                for (int k = 0; k < shCoefficientCount; ++k)
                    for (int c = 0; c < 3; ++c)
                        reference[k][c] += rgb[c] * basis[k] * solidAngle;
            }
    for (int k = 0; k < shCoefficientCount; ++k)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(sh[k][c], reference[k][c], 0.01) << k << " " << c;
    // and the known ones: a quarter of the sphere red, c0 = 0.282095 pi; y above: c1 = 0.488603 pi / 2
    EXPECT_NEAR(sh[0][0], 0.282095 * pi, 2e-3);
    EXPECT_NEAR(sh[1][0], 0.488603 * pi / 2, 2e-3);
    EXPECT_NEAR(sh[0][2], 0.282095 * 3 * pi, 2e-3);
}
