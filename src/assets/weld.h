#pragma once
// Finding the vertex a corner welds to, without scanning every vertex.
//
// The result is the one of a scan of all vertices from index 0 for the first that matches
// (verticesMatch): a spatial hash on the position yields every vertex that can match, and the
// smallest matching index among them wins.

#include "assets/vertex.h"

#include <cstdint>
#include <vector>

struct WeldCell {
    int64_t x, y, z;
    uint32_t head;  // first vertex of the cell's chain, or noVertex
    bool used;
};

struct WeldGrid {
    std::vector<WeldCell> cells;  // open addressing, size a power of two
    std::vector<uint32_t> next;   // next vertex in the same cell, per vertex
    size_t usedCells = 0;
};

constexpr uint32_t noVertex = 0xFFFFFFFFu;

// Smallest i below vertices.size() with verticesMatch(vertices[i], v), or noVertex.
// Every vertex in `vertices` must have been added to the grid; positions must be finite.
uint32_t findWeldMatch(const WeldGrid& grid, const std::vector<Vertex>& vertices, const Vertex& v);

// Adds vertices[index] to the grid.
void addToWeldGrid(WeldGrid& grid, const std::vector<Vertex>& vertices, uint32_t index);

// Maps a corner's (position, texture, normal) record numbers to the vertex it welded to. A corner
// that repeats an earlier one has the same vertex data, so it welds to the same vertex.
struct CornerCache {
    struct Slot {
        uint32_t position, texCoord, normal;  // position == noVertex marks an empty slot
        uint32_t vertex;
    };
    std::vector<Slot> slots;
    size_t used = 0;
};

// The vertex the corner welded to, or noVertex when it is not cached.
uint32_t findCachedCorner(const CornerCache& cache, uint32_t position, uint32_t texCoord, uint32_t normal);
void cacheCorner(CornerCache& cache, uint32_t position, uint32_t texCoord, uint32_t normal, uint32_t vertex);
