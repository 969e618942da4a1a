// Fuzzes OBJ reading, smoothing, welding and batching. On every input: every component is finite,
// every batch holds at most its limit of vertices and its indices stay inside it, the batches
// draw every corner with the vertex it welded to, and, for inputs of up to 300 triangles, the
// welding is the literal linear scan's.

#include "assets/obj/batches.h"
#include "assets/obj/objParse.h"
#include "assets/obj/smoothing.h"
#include "assets/obj/weld.h"
#include "support/linearWeld.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr size_t maxComparedCorners = 900;

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

bool finite(const Vertex& v)
{
    const float* f = &v.position.x;
    for (int i = 0; i < 8; ++i)
        if (!std::isfinite(f[i]))
            return false;
    return true;
}

void checkBatches(const WeldedMesh& welded, size_t limit)
{
    WeldedMesh copy = welded;
    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;
    std::vector<MeshBatch> batches;
    splitIntoBatches(copy, vertices, indices, batches, limit);
    size_t corner = 0;
    for (const MeshBatch& batch : batches) {
        check(batch.vertexCount <= limit && batch.firstIndex == corner);
        for (uint32_t i = batch.firstIndex; i < batch.firstIndex + batch.indexCount; ++i, ++corner) {
            check(indices[i] < batch.vertexCount);
            const Vertex& drawn = vertices[batch.firstVertex + indices[i]];
            check(memcmp(&drawn, &welded.vertices[welded.indices[corner]], sizeof(Vertex)) == 0);
        }
    }
    check(corner == welded.indices.size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ObjRecords records;
    readObjRecords(reinterpret_cast<const char*>(data), size, records);
    check(records.corners.size() % 3 == 0 && records.groups.size() <= records.corners.size() / 3);
    for (size_t i = 0; i < records.groups.size(); ++i)
        check(records.groups[i].firstTriangle < records.corners.size() / 3 &&
              (i == 0 ? records.groups[i].firstTriangle == 0 : records.groups[i].firstTriangle > records.groups[i - 1].firstTriangle));
    fillMissingNormals(records);
    WeldedMesh welded;
    weldTriangles(records, welded);

    check(welded.indices.size() == records.corners.size());
    for (uint32_t index : welded.indices)
        check(index < welded.vertices.size());
    for (const Vertex& v : welded.vertices)
        check(finite(v));

    if (records.corners.size() <= maxComparedCorners) {
        std::vector<Vertex> corners;
        for (const ObjCorner& corner : records.corners)
            corners.push_back(cornerVertex(records, corner));
        LinearWeld reference = linearWeld(corners);
        check(welded.indices == reference.indices);
        check(welded.vertices.size() == reference.vertices.size());
        for (size_t i = 0; i < welded.vertices.size(); ++i)
            check(memcmp(&welded.vertices[i], &reference.vertices[i], sizeof(Vertex)) == 0);
    }
    // a small limit reaches the borders between batches on small inputs too
    checkBatches(welded, 7);
    checkBatches(welded, maxBatchVertices);
    return 0;
}
