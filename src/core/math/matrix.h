#pragma once
// Column-major 4 x 4 float matrices: element (row r, column c) is at index 4c + r, points are
// column vectors multiplied on the right. Precision as for the vectors: each element is one
// double formula rounded once to float.

#include "core/math/vector.h"

struct Matrix4 {
    Vector4 columns[4];

    Matrix4();  // the identity

    float& operator[](int i) { return (&columns[i >> 2].x)[i & 3]; }
    float operator[](int i) const { return (&columns[i >> 2].x)[i & 3]; }
    const float* data() const { return &columns[0].x; }
};

static_assert(sizeof(Matrix4) == 64, "Matrix4 is sixteen packed floats");

// All elements 0, then the diagonal 1.
void identity(Matrix4& m);

// Right-handed projection with depth 0 at zNear and 1 at zFar after the division by w.
// fovyDegrees is the full vertical field of view.
void perspective(Matrix4& m, float fovyDegrees, float aspect, float zNear, float zFar);

// View matrix whose rows are the camera axes; a coincident eye and target give a zero z axis.
void lookAt(Matrix4& m, float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ,
            float upX, float upY, float upZ);

// Counter-clockwise rotation by angleRadians about the axis, seen from its tip; the identity
// when the axis is shorter than the tolerance.
void rotationAxisAngle(Matrix4& m, float angleRadians, float axisX, float axisY, float axisZ);

// out = a * b, each element four double products summed in order and rounded once;
// out may be a or b.
Matrix4& multiply(const Matrix4& a, Matrix4& out, const Matrix4& b);
