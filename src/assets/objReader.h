#pragma once
// Reading a Wavefront OBJ text into welded vertices and 16-bit indices. Pure: no OpenGL.

#include "assets/vertex.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// One kind of problem found in a file: how often, and the line of the first case (1-based).
struct ObjProblem {
    uint32_t count = 0;
    uint32_t firstLine = 0;
};

struct ObjReport {
    ObjProblem invalidFaces;      // a corner with index 0, past the entries read, too large, or unparseable
    ObjProblem facesPastLimit;    // would need a vertex past maxMeshVertices
    ObjProblem missingNumbers;    // v, vt or vn records with fewer numbers than their format
    ObjProblem nonFiniteNumbers;  // nan, inf or an overflowing number, read as 0
};

struct ObjMesh {
    std::vector<Vertex> vertices;   // unique vertices, in order of first appearance
    std::vector<uint16_t> indices;  // three per triangle, in file order
    ObjReport report;
};

// Reads `size` bytes of OBJ text into `out` (replacing what it held). The text is taken in pieces
// as fgets with a 1024-byte buffer takes it: up to and including a newline, at most 1023 bytes;
// each piece is a line of its own and ends at its first zero byte. Records are classified on
// their exact first characters ("v ", "vt ", "vn ", "f "); other lines are ignored. A face takes
// its first three corners (v, v/vt, v//vn or v/vt/vn, 1-based or negative relative indices); a
// missing texture coordinate is (0, 0), a missing normal the triangle's unit face normal.
// Corners weld to the first earlier vertex that matches within the tolerance.
void readObj(const char* text, size_t size, ObjMesh& out);

// Sees the three corner vertices of every face with valid indices, before it is welded.
struct ObjFaceObserver {
    void (*onFace)(void* context, const Vertex (&corners)[3]);
    void* context;
};

// readObj, telling `observer` about each face (for checking the welding against a reference).
void readObj(const char* text, size_t size, ObjMesh& out, const ObjFaceObserver& observer);

// Logs one summary line per kind of problem in the report, naming the file; nothing for a clean file.
void logObjReport(const ObjReport& report, const char* path);
