#pragma once
// Welding the corners of the triangles into shared vertices.

#include "assets/obj/cornerCache.h"
#include "assets/obj/objRecords.h"
#include "assets/obj/weldGrid.h"
#include "assets/vertex.h"

#include <cstdint>
#include <vector>

struct WeldedMesh {
    std::vector<Vertex> vertices;   // unique vertices, in order of first appearance
    std::vector<uint32_t> indices;  // three per triangle, in file order
};

// The welding so far: the vertices and indices made, and what finds the vertices again.
struct Welder {
    WeldedMesh mesh;
    WeldGrid grid;
    CornerCache cache;
    std::vector<bool> positionSeen;  // per position record: a corner of it was welded
};

// Starts a welding, sized for about `expectedVertices` vertices (it grows past them).
void startWelding(Welder& welder, size_t expectedVertices);

// Welds the corners after those welded before, as weldTriangles does, into welder.mesh.
void weldCorners(Welder& welder, const ObjRecords& records, const ObjCorner* corners, size_t count);

// Welds every corner, in order, to the first vertex so far that matches it within the tolerance
// (verticesMatch: position, normal, then texture coordinate), or appends it as a new vertex:
// exactly the result of a linear scan, with no limit on the count. Every corner needs a normal
// record (fillMissingNormals); a corner without a texture coordinate has (0, 0).
void weldTriangles(const ObjRecords& records, WeldedMesh& out);

// The vertex of one corner, from its records.
Vertex cornerVertex(const ObjRecords& records, const ObjCorner& corner);
