#include "core/environment/sphericalHarmonics.h"

#include <cmath>

void sphericalHarmonicsAt(const Vector3& d, double (&out)[shCoefficientCount])
{
    double x = d.x, y = d.y, z = d.z;
    out[0] = 0.282095;
    out[1] = 0.488603 * y;
    out[2] = 0.488603 * z;
    out[3] = 0.488603 * x;
    out[4] = 1.092548 * x * y;
    out[5] = 1.092548 * y * z;
    out[6] = 0.315392 * (3.0 * z * z - 1.0);
    out[7] = 1.092548 * x * z;
    out[8] = 0.546274 * (x * x - y * y);
}

void projectOntoSphericalHarmonics(const EquirectangularImage& image, float (&out)[shCoefficientCount][3])
{
    const double pi = 3.14159265358979323846;
    double sums[shCoefficientCount][3] = {};
    for (int row = 0; row < image.height; ++row) {
        double solidAngle = 2.0 * pi / image.width *
                            (std::cos(pi * row / image.height) - std::cos(pi * (row + 1) / image.height));
        for (int column = 0; column < image.width; ++column) {
            Vector3 d;
            equirectangularDirection((column + 0.5) / image.width, (row + 0.5) / image.height, d);
            double basis[shCoefficientCount];
            sphericalHarmonicsAt(d, basis);
            const float* rgb = &image.rgb[(size_t(row) * size_t(image.width) + size_t(column)) * 3];
            for (int i = 0; i < shCoefficientCount; ++i)
                for (int c = 0; c < 3; ++c)
                    sums[i][c] += rgb[c] * basis[i] * solidAngle;
        }
    }
    for (int i = 0; i < shCoefficientCount; ++i)
        for (int c = 0; c < 3; ++c)
            out[i][c] = float(sums[i][c]);
}
