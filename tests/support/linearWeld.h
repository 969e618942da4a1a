#pragma once
// The reference welding: for every corner, a scan of all vertices from index 0 for the first that
// matches, exactly as slow as it reads. A face that would need a vertex past the limit is skipped.

#include "assets/vertex.h"

#include <cstdint>
#include <vector>

struct LinearWeld {
    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;
    uint32_t skippedFaces = 0;
};

inline void linearWeldFace(LinearWeld& weld, const Vertex (&corners)[3])
{
    size_t before = weld.vertices.size();
    uint32_t result[3];
    for (int k = 0; k < 3; ++k) {
        size_t i = 0;
        while (i < weld.vertices.size() && !verticesMatch(weld.vertices[i], corners[k]))
            ++i;
        if (i == weld.vertices.size())
            weld.vertices.push_back(corners[k]);
        result[k] = uint32_t(i);
    }
    if (weld.vertices.size() > maxMeshVertices) {
        weld.vertices.resize(before);
        ++weld.skippedFaces;
        return;
    }
    for (uint32_t r : result)
        weld.indices.push_back(uint16_t(r));
}
