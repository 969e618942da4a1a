#pragma once
// The normal matrix: how a matrix that moves points moves the normals of their surfaces.

#include "core/math/matrix.h"

// A column-major 3 x 3 float matrix: element (row r, column c) at index 3c + r.
struct Matrix3 {
    float m[9];
};

// The inverse transpose of m's upper 3 x 3, in double, each element rounded once to float. A
// singular (or non-finite) upper 3 x 3 has no inverse: it gives the cofactors (the inverse
// transpose times the determinant, where there is one), which keep the normals' directions that
// survive, scaled.
void normalMatrix(const Matrix4& m, Matrix3& out);

// How the column-major 4 x 4 double matrix `m` carries normals, for a model's own transforms: the
// cofactors of its upper 3 x 3 (the inverse transpose times the determinant), column-major into
// `normal`, negated where the determinant is negative so that normals keep facing out. True when
// it is negative: the transform mirrors, and the winding of faces turns.
bool cofactorNormals(const double m[16], double normal[9]);
