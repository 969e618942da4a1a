#include "core/math/matrix3.h"

#include <cmath>

void normalMatrix(const Matrix4& m, Matrix3& out)
{
    double a[3][3];  // a[r][c]
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            a[r][c] = m[4 * c + r];
    // cofactor (r, c) of a is the inverse transpose's element (r, c) times the determinant
    double cofactor[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            int r1 = (r + 1) % 3, r2 = (r + 2) % 3, c1 = (c + 1) % 3, c2 = (c + 2) % 3;
            cofactor[r][c] = a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1];
        }
    double determinant = a[0][0] * cofactor[0][0] + a[0][1] * cofactor[0][1] + a[0][2] * cofactor[0][2];
    bool invertible = determinant != 0.0 && std::isfinite(determinant);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            out.m[3 * c + r] = float(invertible ? cofactor[r][c] / determinant : cofactor[r][c]);
}

bool cofactorNormals(const double m[16], double normal[9])
{
    const double c0[3] = {m[0], m[1], m[2]}, c1[3] = {m[4], m[5], m[6]}, c2[3] = {m[8], m[9], m[10]};
    auto cross = [](const double* a, const double* b, double* out) {
        out[0] = a[1] * b[2] - a[2] * b[1];
        out[1] = a[2] * b[0] - a[0] * b[2];
        out[2] = a[0] * b[1] - a[1] * b[0];
    };
    // the inverse transpose is [c1 x c2, c2 x c0, c0 x c1] / det, column by column
    cross(c1, c2, normal);
    cross(c2, c0, normal + 3);
    cross(c0, c1, normal + 6);
    bool mirrors = c0[0] * normal[0] + c0[1] * normal[1] + c0[2] * normal[2] < 0.0;
    if (mirrors)
        for (int i = 0; i < 9; ++i)
            normal[i] = -normal[i];
    return mirrors;
}
