#pragma once
// The model as every reader gives it and the viewer draws it, whatever the file's format: welded
// vertices in batches that 16-bit indices address, their colors, materials and the ranges of
// triangles drawn with each, and the files read besides the model's own.

#include "core/mesh/batches.h"
#include "core/mesh/materials.h"
#include "core/mesh/vertex.h"
#include "core/platform/platform.h"

#include <cstdint>
#include <string>
#include <vector>

// A file read besides the model's own (a material library, a glTF buffer, an image), with its
// stamp taken before it was read: a change of it reads the model again.
struct ModelFile {
    std::string path;
    FileStamp stamp;
};

// An image the model holds itself (a glTF buffer view or data: URI): its encoded bytes (PNG or
// JPEG), and what to call it in messages.
struct EmbeddedImage {
    std::string name;
    std::vector<unsigned char> bytes;
};

// What the indices of a mesh draw.
enum class MeshPrimitive : uint8_t {
    triangles,  // three indices a triangle
    points,     // one index a point: a point cloud, a file of vertices without faces
};

struct Mesh {
    std::vector<Vertex> vertices;   // each batch's vertices, batch after batch
    std::vector<uint16_t> indices;  // relative to their batch: three per triangle in file order (by
                                    // material within a batch, for a mesh with materials), or one per point
    std::vector<MeshBatch> batches;
    std::vector<Vector3> colors;    // per vertex, for a model with vertex colors; else empty
    // for a model with materials: each batch's triangles by material (MeshBatch), and the materials,
    // the default one first; else both empty
    std::vector<MeshRange> ranges;
    std::vector<Material> materials;
    std::vector<EmbeddedImage> images;  // those the materials map by MaterialMap::embedded
    std::vector<ModelFile> files;   // read besides the model's own, each once
    MeshPrimitive primitive = MeshPrimitive::triangles;
};

// Makes `out`'s batches of the welded triangles (splitIntoBatches, taking welded's contents) and,
// when `materialOf` has runs, groups each batch's triangles by material (groupByMaterial, the run's
// materials numbering out.materials, which must hold them all). Leaves the rest of `out` as it is.
void batchTriangles(WeldedMesh& welded, const std::vector<MaterialRun>& materialOf, Mesh& out);

// Makes `out` a point cloud of the vertices (and their colors, when given: one per vertex), in
// order, in batches of at most maxBatchVertices points; the rest of `out` is left as it is.
void batchPoints(std::vector<Vertex>& vertices, std::vector<Vector3>& colors, Mesh& out);
