#pragma once
// Finding the vertex a corner welds to, without scanning every vertex.
//
// The result is that of a scan of all vertices from index 0 for the first that matches
// (verticesMatch): a hash grid over all eight components of a vertex (position, normal, texture
// coordinate) yields every vertex that can match, and the smallest matching index among them
// wins. Because the grid separates normals and texture coordinates too, many vertices at one
// position do not share a cell. A cell that still gathers a crowd (vertices a few tolerances
// apart on every component) hands its vertices to a second grid of finer cells, so that no
// search walks a long chain.

#include "core/mesh/vertex.h"

#include <cstdint>
#include <vector>

// A cell of the grid, named by its first vertex: the cell's coordinates are those of that
// vertex, so the table stays small (8 bytes a cell).
struct WeldCell {
    uint32_t head;  // first vertex of the cell's chain; noVertex marks an empty slot
    uint16_t tag;   // high bits of the cell's hash, to skip most foreign cells without a lookup
    uint16_t size;  // vertices in the chain, or crowdedCell: they are in the fine grid instead
};

constexpr uint16_t crowdedCell = 0xFFFF;

struct WeldGrid {
    std::vector<WeldCell> cells;     // open addressing, size a power of two
    std::vector<uint64_t> occupied;  // one bit per cell hash: a clear bit means an empty cell
    std::vector<uint32_t> next;      // next vertex in the same chain of either grid, per vertex
    size_t usedCells = 0;
    // The fine grid: the vertices of crowded cells, in cells of a few tolerances. Every vertex is
    // in the chain of an uncrowded cell or in the fine grid, never both. A crowded cell's head
    // only names it.
    std::vector<WeldCell> fineCells;  // open addressing, size a power of two; size unused
    size_t usedFineCells = 0;
};

constexpr uint32_t noVertex = 0xFFFFFFFFu;

// The longest chain of a cell: a cell about to hold more is crowded.
constexpr uint16_t maxChainedVertices = 32;

// The cell of a vertex: its cell number on each of the eight axes, and their hash.
struct WeldCellKey {
    int64_t cell[8];
    uint64_t hash;
};

WeldCellKey weldCellKey(const Vertex& v);

// Where a search for a vertex looks: the cells within reach of it on every axis, and its own cell.
struct WeldSearch {
    WeldCellKey own;
    int64_t low[8];      // the lower cell within reach on each axis
    uint64_t lowSum;     // the hash of the cell of all the lower ones, before mixing
    unsigned straddling; // axes whose reach spans the lower cell and the one above it
};

// Works out the search for v: pure arithmetic on v, apart from the grid.
void prepareWeldSearch(const Vertex& v, WeldSearch& search);

// Starts loading the memory the search and the addition of its vertex will touch.
void prefetchWeldSearch(const WeldGrid& grid, const WeldSearch& search);

// The colours of a mesh whose positions have them, and that of the vertex looked for; `colours`
// is nullptr for a mesh without colours.
struct WeldColor {
    const Vector3* colors;
    Vector3 color;
};

// True when the mesh has no colours, or vertex i's matches within the tolerance.
inline bool colorsMatch(const WeldColor& color, uint32_t i)
{
    return !color.colors || approxEqual(color.colors[i], color.color);
}

// Smallest i below vertices.size() with verticesMatch(vertices[i], v) and coloursMatch, or
// noVertex; `search` must be v's. Every vertex in `vertices` must have been added to the grid; components must be finite.
// Walks the chains of the uncrowded cells within reach, and looks in the fine grid when a
// crowded one is.
uint32_t findWeldMatch(const WeldGrid& grid, const std::vector<Vertex>& vertices, const Vertex& v,
                       const WeldSearch& search, const WeldColor& color = WeldColor{nullptr, {0.0f, 0.0f, 0.0f}});

// Sizes the grid for about `vertexCount` vertices, so that it rarely grows while welding.
void reserveWeldGrid(WeldGrid& grid, const std::vector<Vertex>& vertices, size_t vertexCount);

// Adds vertices[index], whose cell is `key`, to the grid: to the cell's chain, or to the fine grid
// when the cell is crowded, which it becomes as its chain grows past maxChainedVertices.
void addToWeldGrid(WeldGrid& grid, const std::vector<Vertex>& vertices, uint32_t index, const WeldCellKey& key);

// Marks of where a set of vertices lie, by position alone: one bit per hash of a coarse cell, so
// that most positions far from all of them are told so at once.
struct PositionMarks {
    std::vector<uint64_t> bits;
};

// Marks the positions of `vertices` (replacing what `marks` held), about sixteen bits per vertex.
void markPositions(PositionMarks& marks, const std::vector<Vertex>& vertices);

// False only when no marked vertex can match a vertex at `position` (verticesMatch compares
// positions first, each within the tolerance); true when one may.
bool mayBeNearMarked(const PositionMarks& marks, const Vector3& position);
