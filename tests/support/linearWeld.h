#pragma once
// The reference welding: for every corner, a scan of all vertices from index 0 for the first that
// matches, exactly as slow as it reads.

#include "core/mesh/vertex.h"

#include <cstdint>
#include <vector>

struct LinearWeld {
    std::vector<Vertex> vertices;
    std::vector<uint32_t> indices;
};

inline void linearWeldCorner(LinearWeld& weld, const Vertex& corner)
{
    size_t i = 0;
    while (i < weld.vertices.size() && !verticesMatch(weld.vertices[i], corner))
        ++i;
    if (i == weld.vertices.size())
        weld.vertices.push_back(corner);
    weld.indices.push_back(uint32_t(i));
}

// Welds the corners of triangles given three after three.
inline LinearWeld linearWeld(const std::vector<Vertex>& corners)
{
    LinearWeld weld;
    for (const Vertex& corner : corners)
        linearWeldCorner(weld, corner);
    return weld;
}
