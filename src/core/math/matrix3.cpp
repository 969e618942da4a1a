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
