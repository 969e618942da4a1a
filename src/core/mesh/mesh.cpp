#include "core/mesh/mesh.h"

#include <utility>

void batchTriangles(WeldedMesh& welded, const std::vector<MaterialRun>& materialOf, Mesh& out)
{
    splitIntoBatches(welded, out.vertices, out.indices, out.batches, maxBatchVertices, &out.colors);
    out.primitive = MeshPrimitive::triangles;
    out.ranges.clear();
    if (!materialOf.empty())
        groupByMaterial(materialOf, uint32_t(out.materials.size()), out.indices, out.batches, out.ranges);
}

void batchPoints(std::vector<Vertex>& vertices, std::vector<Vector3>& colors, Mesh& out)
{
    out.vertices = std::move(vertices);
    out.colors = std::move(colors);
    out.primitive = MeshPrimitive::points;
    out.indices.resize(out.vertices.size());
    out.batches.clear();
    out.ranges.clear();
    for (size_t first = 0; first < out.vertices.size(); first += maxBatchVertices) {
        size_t count = out.vertices.size() - first < maxBatchVertices ? out.vertices.size() - first : maxBatchVertices;
        for (size_t i = 0; i < count; ++i)
            out.indices[first + i] = uint16_t(i);
        out.batches.push_back(MeshBatch{uint32_t(first), uint32_t(count), uint32_t(first), uint32_t(count), 0, 0});
    }
}
