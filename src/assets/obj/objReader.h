#pragma once
// Reading a Wavefront OBJ text into batches of welded vertices with 16-bit indices.
// Pure: no OpenGL and no output; the caller reports the problems.

#include "assets/obj/batches.h"
#include "assets/obj/objRecords.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct ObjMesh {
    std::vector<Vertex> vertices;   // each batch's vertices, batch after batch
    std::vector<uint16_t> indices;  // three per triangle, in file order, relative to their batch
    std::vector<MeshBatch> batches;
    ObjReport report;
};

// Reads the text into records and triangles (readObjRecords), gives the corners without a normal
// one (fillMissingNormals), welds all corners (weldTriangles) and splits the triangles into
// batches (splitIntoBatches). Replaces what `out` held.
void readObj(const char* text, size_t size, ObjMesh& out);

// The steps of readObj after readObjRecords, for a caller that frees the text first. Takes the
// records' contents.
void buildObjMesh(ObjRecords& records, ObjMesh& out);
