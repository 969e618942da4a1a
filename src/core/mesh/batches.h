#pragma once
// Splitting a welded mesh into batches that 16-bit indices can address.

#include "core/mesh/weld.h"

#include <cstdint>
#include <vector>

// 16-bit indices address at most this many vertices.
constexpr size_t maxBatchVertices = 65536;

// A run of triangles drawn with one call: its vertices and its indices, relative to firstVertex;
// for a mesh with materials, its triangles grouped by material into rangeCount ranges from
// firstRange on (none for a mesh without materials).
struct MeshBatch {
    uint32_t firstVertex, vertexCount;
    uint32_t firstIndex, indexCount;
    uint32_t firstRange, rangeCount;
};

// The triangles of a batch that use one material: indexCount indices from firstIndex on.
struct MeshRange {
    uint32_t firstIndex, indexCount;
    uint32_t material;
};

// Splits the triangles, in file order, into batches of at most `limit` (at least 3) vertices each:
// a batch takes triangles until the next would need one vertex too many. Each batch holds its own
// copy of the vertices it uses, in order of first use, with 16-bit indices into them; a vertex
// used on both sides of a border is copied. A mesh of at most `limit` vertices is one batch
// holding exactly the welded vertices and indices, which must come in order of first use, as
// weldCorners makes them; an empty mesh has no batch. Takes the welded mesh's contents.
// `colors`, when given, gets the colour of each batch vertex, when the welded mesh has colours.
void splitIntoBatches(WeldedMesh& welded, std::vector<Vertex>& vertices, std::vector<uint16_t>& indices,
                      std::vector<MeshBatch>& batches, size_t limit = maxBatchVertices,
                      std::vector<Vector3>* colors = nullptr);

// splitIntoBatches' result, in less memory: the batches' vertices (and colours) take the welded
// mesh's storage, grown by the copies at the borders (within its capacity, when it has room, so
// that no second copy is made), and are moved into place from the last back. The welded vertices
// must come in order of first use, as weldCorners makes them. Takes the welded mesh's contents.
void splitIntoBatchesInPlace(WeldedMesh& welded, std::vector<Vertex>& vertices, std::vector<uint16_t>& indices,
                             std::vector<MeshBatch>& batches, size_t limit = maxBatchVertices,
                             std::vector<Vector3>* colors = nullptr);

// Groups the triangles of each batch by material, keeping their order within a material (a
// stable reordering of the batch's indices), and gives each batch one range per material it
// uses, in the order of the materials' numbers. `materialOf` gives the material of the file's
// triangles in runs (MaterialRun, material numbers below `materialCount`); the batches hold
// those triangles in file order.
void groupByMaterial(const std::vector<MaterialRun>& materialOf, uint32_t materialCount, std::vector<uint16_t>& indices,
                     std::vector<MeshBatch>& batches, std::vector<MeshRange>& ranges);
