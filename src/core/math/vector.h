#pragma once
// Small float vectors. Every stored value is a 32-bit float; the arithmetic inside one formula is
// done in double and rounded once when stored. Every operation reads its inputs before it writes,
// so `out` may be one of the inputs.

struct Vector2 {
    float x, y;
};

struct Vector3 {
    float x, y, z;
};

struct Vector4 {
    float x, y, z, w;
};

static_assert(sizeof(Vector2) == 8, "Vector2 is two packed floats");
static_assert(sizeof(Vector3) == 12, "Vector3 is three packed floats");
static_assert(sizeof(Vector4) == 16, "Vector4 is four packed floats");

// The one tolerance of the viewer, as a float: 0.00000999999974737875...
constexpr float tolerance = 0.00001f;

Vector3& set(Vector3& v, float x, float y, float z);

// out = a - b, per component.
Vector3& subtract(Vector3& out, const Vector3& a, const Vector3& b);

// out = v * s, per component.
Vector3& scale(Vector3& out, const Vector3& v, float s);

// Unit vector of v; (0, 0, 0) when the squared length (a float) is below the tolerance.
// The scale factor is 1 / sqrt(L) with the root rounded to float, then the quotient.
Vector3& normalize(Vector3& out, const Vector3& v);

// out = a x b; each component's two products and difference in double, rounded once.
Vector3& cross(Vector3& out, const Vector3& a, const Vector3& b);

// a . b: three products and two sums in double, rounded once to float.
float dot(const Vector3& a, const Vector3& b);

// True when every component's float difference is at most the tolerance in absolute value
// (the boundary counts as equal), tested x, y, z in order.
bool approxEqual(const Vector3& a, const Vector3& b);
bool approxEqual(const Vector2& a, const Vector2& b);
