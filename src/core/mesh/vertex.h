#pragma once

#include "core/math/vector.h"

#include <cstddef>

// The welded mesh element and, unchanged, the GPU vertex format (stride 32 bytes).
struct Vertex {
    Vector3 position;  // offset 0
    Vector2 texCoord;  // offset 12
    Vector3 normal;    // offset 20
};

static_assert(sizeof(Vertex) == 32, "Vertex is the 32-byte GPU vertex");
static_assert(offsetof(Vertex, texCoord) == 12, "texture coordinate follows the position");
static_assert(offsetof(Vertex, normal) == 20, "normal comes last");

// The welding test: position, then normal, then texture coordinate, each within the tolerance.
inline bool verticesMatch(const Vertex& a, const Vertex& b)
{
    return approxEqual(a.position, b.position) && approxEqual(a.normal, b.normal) &&
           approxEqual(a.texCoord, b.texCoord);
}
