#include "core/math/vector.h"

#include <cmath>

namespace {

// |a - b| <= tolerance, with the difference rounded to float before its absolute value.
bool componentsMatch(float a, float b)
{
    float difference = a - b;
    float magnitude = float(std::fabs(double(difference)));
    return !(magnitude > tolerance);
}

} // namespace

Vector3& set(Vector3& v, float x, float y, float z)
{
    v.x = x;
    v.y = y;
    v.z = z;
    return v;
}

Vector3& subtract(Vector3& out, const Vector3& a, const Vector3& b)
{
    return set(out, float(double(a.x) - b.x), float(double(a.y) - b.y), float(double(a.z) - b.z));
}

Vector3& scale(Vector3& out, const Vector3& v, float s)
{
    return set(out, float(double(v.x) * s), float(double(v.y) * s), float(double(v.z) * s));
}

Vector3& normalize(Vector3& out, const Vector3& v)
{
    float squaredLength = dot(v, v);
    if (squaredLength < tolerance)
        return set(out, 0.0f, 0.0f, 0.0f);
    float length = float(std::sqrt(double(squaredLength)));
    float k = float(1.0 / double(length));
    return scale(out, v, k);
}

Vector3& cross(Vector3& out, const Vector3& a, const Vector3& b)
{
    return set(out,
               float(double(a.y) * b.z - double(a.z) * b.y),
               float(double(a.z) * b.x - double(a.x) * b.z),
               float(double(a.x) * b.y - double(a.y) * b.x));
}

float dot(const Vector3& a, const Vector3& b)
{
    return float(double(a.x) * b.x + double(a.y) * b.y + double(a.z) * b.z);
}

bool approxEqual(const Vector3& a, const Vector3& b)
{
    return componentsMatch(a.x, b.x) && componentsMatch(a.y, b.y) && componentsMatch(a.z, b.z);
}

bool approxEqual(const Vector2& a, const Vector2& b)
{
    return componentsMatch(a.x, b.x) && componentsMatch(a.y, b.y);
}
