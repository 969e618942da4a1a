#include "core/mesh/batches.h"

#include <utility>

namespace {

constexpr uint32_t notInBatch = 0xFFFFFFFFu;

void openBatch(std::vector<MeshBatch>& batches, const std::vector<Vertex>& vertices,
               const std::vector<uint16_t>& indices)
{
    batches.push_back(MeshBatch{uint32_t(vertices.size()), 0, uint32_t(indices.size()), 0});
}

} // namespace

void splitIntoBatches(WeldedMesh& welded, std::vector<Vertex>& vertices, std::vector<uint16_t>& indices,
                      std::vector<MeshBatch>& batches, size_t limit)
{
    vertices.clear();
    indices.clear();
    batches.clear();
    if (welded.indices.empty())
        return;

    indices.reserve(welded.indices.size());
    if (welded.vertices.size() <= limit) {
        // first use in the one batch is the order of welding
        for (uint32_t index : welded.indices)
            indices.push_back(uint16_t(index));
        vertices = std::move(welded.vertices);
        batches.push_back(MeshBatch{0, uint32_t(vertices.size()), 0, uint32_t(indices.size())});
        welded = WeldedMesh();
        return;
    }

    std::vector<uint32_t> local(welded.vertices.size(), notInBatch);  // welded vertex -> batch vertex
    vertices.reserve(welded.vertices.size() + welded.vertices.size() / 8);
    openBatch(batches, vertices, indices);
    for (size_t t = 0; t < welded.indices.size(); t += 3) {
        const uint32_t* corners = &welded.indices[t];
        MeshBatch& batch = batches.back();
        uint32_t newVertices = 0;
        for (int k = 0; k < 3; ++k)
            newVertices += local[corners[k]] == notInBatch && (k == 0 || corners[k] != corners[0]) &&
                           (k < 2 || corners[k] != corners[1]);
        if (batch.vertexCount + newVertices > limit) {
            // forget this batch's vertices: the next one copies what it needs
            for (size_t i = batch.firstIndex; i < t; ++i)
                local[welded.indices[i]] = notInBatch;
            openBatch(batches, vertices, indices);
        }
        MeshBatch& current = batches.back();
        for (int k = 0; k < 3; ++k) {
            uint32_t& slot = local[corners[k]];
            if (slot == notInBatch) {
                slot = current.vertexCount++;
                vertices.push_back(welded.vertices[corners[k]]);
            }
            indices.push_back(uint16_t(slot));
            ++current.indexCount;
        }
    }
    welded = WeldedMesh();
}
