#pragma once
// Reading a Wavefront OBJ text into batches of welded vertices with 16-bit indices.
// Pure: no OpenGL and no output; the caller reports the problems.

#include "assets/obj/batches.h"
#include "assets/obj/objRecords.h"
#include "assets/obj/weld.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct ObjMesh {
    std::vector<Vertex> vertices;   // each batch's vertices, batch after batch
    std::vector<uint16_t> indices;  // three per triangle, in file order, relative to their batch
    std::vector<MeshBatch> batches;
    ObjReport report;
};

// Reads the text into records and triangles (readObjRecords), welding the faces that carry all
// their normals as they are read; then gives the other corners a normal (fillMissingNormals),
// welds them after (weldCorners: the result of weldTriangles over all corners) and splits the
// triangles into batches (splitIntoBatches). Replaces what `out` held.
void readObj(const char* text, size_t size, ObjMesh& out);

// Starts the welder for a text of `size` bytes, to stream the complete faces into while reading
// (ObjStream).
void startObjWelding(Welder& welder, size_t size);

// The steps of readObj after readObjRecords, for a caller that streams the reading or frees the
// text first: the kept faces are smoothed and welded after those the welder has. Takes the
// records' and the welder's contents.
void buildObjMesh(ObjRecords& records, Welder& welder, ObjMesh& out);
