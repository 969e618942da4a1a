#include "core/environment/equirectangular.h"

#include <cmath>

namespace {

const double pi = 3.14159265358979323846;

} // namespace

void equirectangularCoordinates(const Vector3& d, double& u, double& v)
{
    double x = d.x, y = d.y, z = d.z;
    double length = std::sqrt(x * x + y * y + z * z);
    double cosine = y / length;
    cosine = cosine > 1.0 ? 1.0 : cosine < -1.0 ? -1.0 : cosine;
    u = 0.5 + std::atan2(-z, -x) / (2.0 * pi);
    v = std::acos(cosine) / pi;
}

void equirectangularDirection(double u, double v, Vector3& out)
{
    double longitude = (u - 0.5) * 2.0 * pi, polar = v * pi;
    double across = std::sin(polar);
    // -x at longitude 0, -z at a quarter turn
    out.x = float(-std::cos(longitude) * across);
    out.y = float(std::cos(polar));
    out.z = float(-std::sin(longitude) * across);
}

void sampleEquirectangular(const EquirectangularImage& image, const Vector3& d, float (&rgb)[3])
{
    double u, v;
    equirectangularCoordinates(d, u, v);
    // pixel centres are at (i + 0.5) / width
    double x = u * image.width - 0.5, y = v * image.height - 0.5;
    double x0 = std::floor(x), y0 = std::floor(y);
    double fx = x - x0, fy = y - y0;
    int columns[2], rows[2];
    for (int k = 0; k < 2; ++k) {
        long column = (long(x0) + k) % image.width;
        columns[k] = int(column < 0 ? column + image.width : column);
        long row = long(y0) + k;
        rows[k] = int(row < 0 ? 0 : row >= image.height ? image.height - 1 : row);
    }
    for (int c = 0; c < 3; ++c) {
        auto at = [&](int row, int column) {
            return double(image.rgb[(size_t(row) * size_t(image.width) + size_t(column)) * 3 + size_t(c)]);
        };
        double top = at(rows[0], columns[0]) * (1.0 - fx) + at(rows[0], columns[1]) * fx;
        double bottom = at(rows[1], columns[0]) * (1.0 - fx) + at(rows[1], columns[1]) * fx;
        rgb[c] = float(top * (1.0 - fy) + bottom * fy);
    }
}

void cubeFaceDirection(int face, double s, double t, Vector3& out)
{
    float sc = float(2.0 * s - 1.0), tc = float(2.0 * t - 1.0);
    // the inverse of OpenGL's table of the major axis and the face's sc, tc
    switch (face) {
    case 0: out = Vector3{1.0f, -tc, -sc}; break;
    case 1: out = Vector3{-1.0f, -tc, sc}; break;
    case 2: out = Vector3{sc, 1.0f, tc}; break;
    case 3: out = Vector3{sc, -1.0f, -tc}; break;
    case 4: out = Vector3{sc, -tc, 1.0f}; break;
    default: out = Vector3{-sc, -tc, -1.0f}; break;
    }
}

void cubeFacesOfEquirectangular(const EquirectangularImage& image, int size, CubeFaces& out)
{
    out.size = size;
    for (int face = 0; face < 6; ++face) {
        std::vector<float>& texels = out.faces[face];
        texels.resize(size_t(size) * size_t(size) * 3);
        for (int row = 0; row < size; ++row)
            for (int column = 0; column < size; ++column) {
                Vector3 d;
                cubeFaceDirection(face, (column + 0.5) / size, (row + 0.5) / size, d);
                float rgb[3];
                sampleEquirectangular(image, d, rgb);
                float* texel = &texels[(size_t(row) * size_t(size) + size_t(column)) * 3];
                texel[0] = rgb[0];
                texel[1] = rgb[1];
                texel[2] = rgb[2];
            }
    }
}

int cubeFaceSizeFor(int width, int largest)
{
    int size = width / 4;
    size = size < 1 ? 1 : size;
    return size > largest ? largest : size;
}
