#pragma once
// Splitting a welded mesh into batches that 16-bit indices can address.

#include "core/mesh/weld.h"

#include <cstdint>
#include <vector>

// 16-bit indices address at most this many vertices.
constexpr size_t maxBatchVertices = 65536;

// A run of triangles drawn with one call: its vertices and its indices, relative to firstVertex.
struct MeshBatch {
    uint32_t firstVertex, vertexCount;
    uint32_t firstIndex, indexCount;
};

// Splits the triangles, in file order, into batches of at most `limit` (at least 3) vertices each:
// a batch takes triangles until the next would need one vertex too many. Each batch holds its own
// copy of the vertices it uses, in order of first use, with 16-bit indices into them; a vertex
// used on both sides of a border is copied. A mesh of at most `limit` vertices is one batch
// holding exactly the welded vertices and indices, which must come in order of first use, as
// weldCorners makes them; an empty mesh has no batch. Takes the welded mesh's contents.
void splitIntoBatches(WeldedMesh& welded, std::vector<Vertex>& vertices, std::vector<uint16_t>& indices,
                      std::vector<MeshBatch>& batches, size_t limit = maxBatchVertices);
