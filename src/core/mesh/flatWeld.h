#pragma once
// Welding triangles shaded flat (STL's facets), a part at a time: exactly weldTriangles' result
// for triangles without normals, with little of its grid where few facets share a plane.
//
// Every vertex has the normal of the facet that made it, so a corner can weld only to a vertex
// made by a facet whose normal lies within the tolerance of its own facet's. Facets are kept in
// cells by their normal (the weld grid's cells, on the normal's three axes): a corner looks at the
// vertices made by the few facets of the cells within reach of its facet's normal, and at nothing
// else. A cell that gathers more than a few facets (a plane of a model) puts their vertices in the
// weld grid, where the corners of the facets near it in normal search them as weldTriangles does.

#include "core/math/vector.h"
#include "core/mesh/weld.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A cell of the facets' normals: its numbers packed (0 for an empty slot), 1 + the last facet of
// its chain (0 for none), and how many facets the chain holds, or gridCell once their vertices
// are in the grid.
struct NormalCell {
    uint64_t key;
    uint32_t lastFacet;
    uint32_t facetCount;
};

struct FlatWelding {
    Welder welder;  // the welded mesh so far; its grid holds the vertices of the crowded cells
    std::vector<NormalCell> cells;  // open addressing, size a power of two, at most half full
    size_t usedCells = 0;
    std::vector<uint32_t> previousFacet;  // per facet: 1 + the facet before it in its cell's chain, or 0
    std::vector<uint32_t> firstVertex;    // per facet: the number of the first vertex it may have made
};

// Starts a welding of about `expectedFacets` facets (it grows past them).
void startFlatWelding(FlatWelding& welding, size_t expectedFacets);

// Welds `triangles` triangles, three positions each, after those welded before into
// welding.welder.mesh, each corner with its triangle's faceNormal and the texture coordinate
// (0, 0): the welded mesh of all the parts is weldTriangles' of them in one list without normals.
// Positions must be finite.
void weldFlatTriangles(FlatWelding& welding, const Vector3* positions, size_t triangles);

// The welded mesh, taken from the welding, which is left empty.
WeldedMesh finishFlatWelding(FlatWelding& welding);
