#pragma once
// Finding the vertex a corner welds to, without scanning every vertex.
//
// The result is the one of a scan of all vertices from index 0 for the first that matches
// (verticesMatch): a spatial hash on the position yields every vertex that can match, and the
// smallest matching index among them wins.

#include "assets/vertex.h"

#include <cstdint>
#include <vector>

// A cell of the grid, named by its first vertex: the cell's coordinates are those of that
// vertex's position, so the table stays small (8 bytes a cell).
struct WeldCell {
    uint32_t head;  // first vertex of the cell's chain; noVertex marks an empty slot
    uint32_t tag;   // high bits of the cell's hash, to skip most foreign cells without a lookup
};

struct WeldGrid {
    std::vector<WeldCell> cells;     // open addressing, size a power of two (see reserveWeldGrid)
    std::vector<uint64_t> occupied;  // one bit per cell hash: a clear bit means an empty cell
    std::vector<uint32_t> next;      // next vertex in the same cell, per vertex
    size_t usedCells = 0;
};

constexpr uint32_t noVertex = 0xFFFFFFFFu;

// Smallest i below vertices.size() with verticesMatch(vertices[i], v), or noVertex.
// Every vertex in `vertices` must have been added to the grid; positions must be finite.
uint32_t findWeldMatch(const WeldGrid& grid, const std::vector<Vertex>& vertices, const Vertex& v);

// Sizes the grid for about `vertexCount` vertices, so that it rarely grows while welding.
void reserveWeldGrid(WeldGrid& grid, const std::vector<Vertex>& vertices, size_t vertexCount);

// Adds vertices[index] to the grid.
void addToWeldGrid(WeldGrid& grid, const std::vector<Vertex>& vertices, uint32_t index);

// Maps a corner's (position, texture, normal) record numbers to the vertex it welded to. A corner
// that repeats an earlier one has the same vertex data, so it welds to the same vertex. Kept as a
// short chain per position record; a position seen with many others is simply not cached further.
struct CornerCache {
    struct Entry {
        uint32_t texCoord, normal, vertex, next;
    };
    std::vector<uint32_t> head;  // per position record: first entry, or noVertex
    std::vector<Entry> entries;
};

// The vertex the corner welded to, or noVertex when it is not cached.
uint32_t findCachedCorner(const CornerCache& cache, uint32_t position, uint32_t texCoord, uint32_t normal);
void cacheCorner(CornerCache& cache, uint32_t position, uint32_t texCoord, uint32_t normal, uint32_t vertex);
