#pragma once
// The reference welding: for every corner, a scan of all vertices from index 0 for the first that
// matches, exactly as slow as it reads.

#include "core/mesh/vertex.h"

#include <cstdint>
#include <vector>

struct LinearWeld {
    std::vector<Vertex> vertices;
    std::vector<uint32_t> indices;
    std::vector<Vector3> colors;  // per vertex, when the corners have colours
};

// A corner matches a vertex when verticesMatch says so and, where there are colours, they match too.
inline void linearWeldCorner(LinearWeld& weld, const Vertex& corner, const Vector3* color)
{
    size_t i = 0;
    while (i < weld.vertices.size() &&
           !(verticesMatch(weld.vertices[i], corner) && (!color || approxEqual(weld.colors[i], *color))))
        ++i;
    if (i == weld.vertices.size()) {
        weld.vertices.push_back(corner);
        if (color)
            weld.colors.push_back(*color);
    }
    weld.indices.push_back(uint32_t(i));
}

// Welds the corners of triangles given three after three; `colours`, when given, are the
// corners' colours.
inline LinearWeld linearWeld(const std::vector<Vertex>& corners, const std::vector<Vector3>* colors = nullptr)
{
    LinearWeld weld;
    for (size_t i = 0; i < corners.size(); ++i)
        linearWeldCorner(weld, corners[i], colors ? &(*colors)[i] : nullptr);
    return weld;
}
