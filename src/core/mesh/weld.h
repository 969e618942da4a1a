#pragma once
// Welding the corners of the triangles into shared vertices.

#include "core/mesh/cornerCache.h"

#include <cstddef>
#include "core/mesh/objRecords.h"
#include "core/mesh/weldGrid.h"
#include "core/mesh/vertex.h"

#include <cstdint>
#include <vector>

struct WeldedMesh {
    std::vector<Vertex> vertices;   // unique vertices, in order of first appearance
    std::vector<uint32_t> indices;  // three per triangle, in file order
    std::vector<Vector3> colors;    // per vertex, when the positions have colours; else empty
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

// Makes room for about `moreVertices` vertices and `moreCorners` indices past those welded so far.
void reserveWelding(Welder& welder, size_t moreVertices, size_t moreCorners);

// Welds each corner, in order, after those welded before: to the first vertex in welder.mesh
// that matches it within the tolerance (verticesMatch: position, normal, then texture
// coordinate; and its colour, when the positions have colours), or appended as a new vertex. Exactly the result of a linear scan over all the
// vertices so far, with no limit on their count. Every corner needs a normal record
// (fillMissingNormals); a corner without a texture coordinate has (0, 0).
void weldCorners(Welder& welder, const ObjRecords& records, const ObjCorner* corners, size_t count);

// Welds the corners as weldCorners does, but writes the vertex of corner i to vertices[i] instead
// of appending it to welder.mesh.indices.
void weldCornersTo(Welder& welder, const ObjRecords& records, const ObjCorner* corners, size_t count,
                   uint32_t* vertices);

// How a corner welded: it made a new vertex, repeated the records of a corner that made one
// (and so has its vertex's data), or matched a vertex by a search.
enum class CornerWeld : uint8_t { made, cached, matched };

// weldCornersTo, noting in kinds[i] how corner i welded. Only the corners that make a vertex are
// remembered by their records, so a corner noted `cached` has exactly its vertex's data; a corner
// repeating one that matched is searched again (to the same vertex).
void weldCornersNoted(Welder& welder, const ObjRecords& records, const ObjCorner* corners, size_t count,
                      uint32_t* vertices, CornerWeld* kinds);

// Gives the vertices welded so far without a colour white, when the positions have colours: they
// were welded before the first colour was read.
void colorUncoloredVertices(Welder& welder, const ObjRecords& records);

// Triangles as a reader of unindexed triangles gives them: three corners each, in order.
struct TriangleList {
    std::vector<Vector3> positions;  // three per triangle
    std::vector<Vector3> normals;    // one per corner; or empty: each triangle's own unit normal (flat)
    std::vector<Vector2> texCoords;  // one per corner; or empty: (0, 0)
    std::vector<Vector3> colors;     // one per corner; or empty: no colors
};

// Welds the corners of the triangles, in order, into `out` (replaced), as weldCorners welds those
// of a file: each to the first vertex made before it that matches it within the tolerance
// (verticesMatch, and its color when there are colors), or appended as a new vertex. Exactly the
// result of a linear scan. A flat normal is faceNormal's (zero for a degenerate triangle).
void weldTriangles(const TriangleList& triangles, WeldedMesh& out);

// The vertex of one corner, from its records.
Vertex cornerVertex(const ObjRecords& records, const ObjCorner& corner);
