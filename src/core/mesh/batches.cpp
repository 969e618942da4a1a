#include "core/mesh/batches.h"

#include <algorithm>
#include <utility>

namespace {

constexpr uint32_t notInBatch = 0xFFFFFFFFu;

void openBatch(std::vector<MeshBatch>& batches, const std::vector<Vertex>& vertices,
               const std::vector<uint16_t>& indices)
{
    batches.push_back(MeshBatch{uint32_t(vertices.size()), 0, uint32_t(indices.size()), 0, 0, 0});
}

} // namespace

void splitIntoBatches(WeldedMesh& welded, std::vector<Vertex>& vertices, std::vector<uint16_t>& indices,
                      std::vector<MeshBatch>& batches, size_t limit, std::vector<Vector3>* colors)
{
    vertices.clear();
    indices.clear();
    batches.clear();
    if (colors)
        colors->clear();
    if (welded.indices.empty())
        return;
    bool colored = colors && !welded.colors.empty();

    indices.reserve(welded.indices.size());
    if (welded.vertices.size() <= limit) {
        // first use in the one batch is the order of welding
        for (uint32_t index : welded.indices)
            indices.push_back(uint16_t(index));
        vertices = std::move(welded.vertices);
        if (colored)
            *colors = std::move(welded.colors);
        batches.push_back(MeshBatch{0, uint32_t(vertices.size()), 0, uint32_t(indices.size()), 0, 0});
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
                if (colored)
                    colors->push_back(welded.colors[corners[k]]);
            }
            indices.push_back(uint16_t(slot));
            ++current.indexCount;
        }
    }
    welded = WeldedMesh();
}

void splitIntoBatchesInPlace(WeldedMesh& welded, std::vector<Vertex>& vertices, std::vector<uint16_t>& indices,
                             std::vector<MeshBatch>& batches, size_t limit, std::vector<Vector3>* colors)
{
    if (welded.vertices.size() <= limit) {
        splitIntoBatches(welded, vertices, indices, batches, limit, colors);
        return;
    }
    vertices.clear();
    indices.clear();
    batches.clear();
    if (colors)
        colors->clear();
    bool colored = colors && !welded.colors.empty();

    // the batches as splitIntoBatches makes them, but naming each batch vertex's welded vertex
    std::vector<uint32_t> source;
    source.reserve(welded.vertices.size() + welded.vertices.size() / 8);
    std::vector<uint32_t> local(welded.vertices.size(), notInBatch);  // welded vertex -> batch vertex
    indices.reserve(welded.indices.size());
    batches.push_back(MeshBatch{0, 0, 0, 0, 0, 0});
    for (size_t t = 0; t < welded.indices.size(); t += 3) {
        const uint32_t* corners = &welded.indices[t];
        MeshBatch& batch = batches.back();
        uint32_t newVertices = 0;
        for (int k = 0; k < 3; ++k)
            newVertices += local[corners[k]] == notInBatch && (k == 0 || corners[k] != corners[0]) &&
                           (k < 2 || corners[k] != corners[1]);
        if (batch.vertexCount + newVertices > limit) {
            for (size_t i = batch.firstIndex; i < t; ++i)
                local[welded.indices[i]] = notInBatch;
            batches.push_back(MeshBatch{uint32_t(source.size()), 0, uint32_t(indices.size()), 0, 0, 0});
        }
        MeshBatch& current = batches.back();
        for (int k = 0; k < 3; ++k) {
            uint32_t& slot = local[corners[k]];
            if (slot == notInBatch) {
                slot = current.vertexCount++;
                source.push_back(corners[k]);
            }
            indices.push_back(uint16_t(slot));
            ++current.indexCount;
        }
    }
    local = std::vector<uint32_t>();
    welded.indices = std::vector<uint32_t>();
    // Batch vertex k copies welded vertex source[k] <= k: the welded vertices come in order of first
    // use, and each is in a batch at or after its place among them. From the last back, every
    // write lands past the welded vertices still to be read.
    welded.vertices.resize(source.size());
    for (size_t k = source.size(); k-- > 0;)
        welded.vertices[k] = welded.vertices[source[k]];
    vertices = std::move(welded.vertices);
    if (colored) {
        welded.colors.resize(source.size());
        for (size_t k = source.size(); k-- > 0;)
            welded.colors[k] = welded.colors[source[k]];
        *colors = std::move(welded.colors);
    }
    welded = WeldedMesh();
}

void groupByMaterial(const std::vector<MaterialRun>& materialOf, uint32_t materialCount, std::vector<uint16_t>& indices,
                     std::vector<MeshBatch>& batches, std::vector<MeshRange>& ranges)
{
    ranges.clear();
    std::vector<uint32_t> triangles(materialCount);  // per material: its triangles in the batch
    std::vector<uint16_t> grouped;
    size_t run = 0;
    uint32_t triangle = 0;  // the file's triangle at the batch's first index
    for (MeshBatch& batch : batches) {
        uint32_t count = batch.indexCount / 3;
        std::vector<uint32_t> material(count);
        for (uint32_t t = 0; t < count; ++t, ++triangle) {
            while (run + 1 < materialOf.size() && materialOf[run + 1].firstTriangle <= triangle)
                ++run;
            material[t] = materialOf[run].material;
        }
        // a counting sort: where each material's triangles start, then each triangle to its place
        std::fill(triangles.begin(), triangles.end(), 0);
        for (uint32_t m : material)
            ++triangles[m];
        batch.firstRange = uint32_t(ranges.size());
        uint32_t start = batch.firstIndex;
        std::vector<uint32_t> next(materialCount);
        for (uint32_t m = 0; m < materialCount; ++m) {
            next[m] = start;
            if (triangles[m] > 0)
                ranges.push_back(MeshRange{start, 3 * triangles[m], m});
            start += 3 * triangles[m];
        }
        batch.rangeCount = uint32_t(ranges.size()) - batch.firstRange;
        grouped.assign(indices.begin() + batch.firstIndex, indices.begin() + batch.firstIndex + batch.indexCount);
        for (uint32_t t = 0; t < count; ++t) {
            uint32_t& at = next[material[t]];
            for (int k = 0; k < 3; ++k)
                indices[at + uint32_t(k)] = grouped[3 * t + uint32_t(k)];
            at += 3;
        }
    }
}
