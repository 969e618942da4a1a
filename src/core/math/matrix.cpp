#include "core/math/matrix.h"

#include <cmath>

Matrix4::Matrix4()
{
    identity(*this);
}

void identity(Matrix4& m)
{
    for (int i = 0; i < 16; ++i)
        m[i] = 0.0f;
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

void perspective(Matrix4& m, float fovyDegrees, float aspect, float zNear, float zFar)
{
    const float halfDegreeInRadians = 0.008726646f;  // nearest float to pi / 360
    float half = float(double(fovyDegrees) * halfDegreeInRadians);
    float tangent = float(std::tan(double(half)));
    float h = float(1.0 / double(tangent));
    float w = float(double(h) / aspect);

    for (int i = 0; i < 16; ++i)
        m[i] = 0.0f;
    m[0] = w;
    m[5] = h;
    m[10] = float(double(zFar) / (double(zNear) - zFar));
    m[11] = -1.0f;
    m[14] = float(double(zNear) * zFar / (double(zNear) - zFar));
}

void lookAt(Matrix4& m, float eyeX, float eyeY, float eyeZ, float targetX, float targetY, float targetZ,
            float upX, float upY, float upZ)
{
    Vector3 eye, target, up, xAxis, yAxis, zAxis;
    set(eye, eyeX, eyeY, eyeZ);
    set(target, targetX, targetY, targetZ);
    set(up, upX, upY, upZ);

    normalize(zAxis, subtract(zAxis, eye, target));
    normalize(xAxis, cross(xAxis, up, zAxis));
    cross(yAxis, zAxis, xAxis);

    identity(m);
    m[0] = xAxis.x;
    m[4] = xAxis.y;
    m[8] = xAxis.z;
    m[1] = yAxis.x;
    m[5] = yAxis.y;
    m[9] = yAxis.z;
    m[2] = zAxis.x;
    m[6] = zAxis.y;
    m[10] = zAxis.z;
    m[12] = -dot(xAxis, eye);
    m[13] = -dot(yAxis, eye);
    m[14] = -dot(zAxis, eye);
}

void rotationAxisAngle(Matrix4& m, float angleRadians, float axisX, float axisY, float axisZ)
{
    float s = float(std::sin(double(angleRadians)));
    float c = float(std::cos(double(angleRadians)));
    float squaredLength = float(double(axisX) * axisX + double(axisY) * axisY + double(axisZ) * axisZ);
    float length = float(std::sqrt(double(squaredLength)));
    if (length < tolerance) {  // the length here, not its square as in normalize
        identity(m);
        return;
    }

    float x = float(double(axisX) / length);
    float y = float(double(axisY) / length);
    float z = float(double(axisZ) / length);
    float xx = float(double(x) * x), yy = float(double(y) * y), zz = float(double(z) * z);
    float xy = float(double(x) * y), yz = float(double(y) * z), zx = float(double(z) * x);
    float xs = float(double(x) * s), ys = float(double(y) * s), zs = float(double(z) * s);
    float t = float(1.0 - double(c));

    m[0] = float(double(t) * xx + c);
    m[1] = float(double(t) * xy + zs);
    m[2] = float(double(t) * zx - ys);
    m[3] = 0.0f;
    m[4] = float(double(t) * xy - zs);
    m[5] = float(double(t) * yy + c);
    m[6] = float(double(t) * yz + xs);
    m[7] = 0.0f;
    m[8] = float(double(t) * zx + ys);
    m[9] = float(double(t) * yz - xs);
    m[10] = float(double(t) * zz + c);
    m[11] = 0.0f;
    m[12] = 0.0f;
    m[13] = 0.0f;
    m[14] = 0.0f;
    m[15] = 1.0f;
}

Matrix4& multiply(const Matrix4& a, Matrix4& out, const Matrix4& b)
{
    Matrix4 r;  // a temporary, so out may alias a or b
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 4; ++i)
            r[i + 4 * j] = float(double(a[i]) * b[4 * j] + double(a[i + 4]) * b[4 * j + 1] +
                                 double(a[i + 8]) * b[4 * j + 2] + double(a[i + 12]) * b[4 * j + 3]);
    out = r;
    return out;
}
