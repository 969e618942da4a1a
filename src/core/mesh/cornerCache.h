#pragma once
// Remembering where corners welded, by their record numbers.
//
// A corner that repeats an earlier corner's (position, texture, normal) record numbers has the
// same vertex data, so it welds to the same vertex: no search needed. Kept as a short chain per
// position record; a position seen with many others is simply not cached further.

#include "core/mesh/objRecords.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct CornerCache {
    struct Entry {
        uint32_t texCoord, normal, vertex, next;
    };
    std::vector<uint32_t> head;  // per position record: first entry, or cacheMiss
    std::vector<Entry> entries;
};

constexpr uint32_t cacheMiss = 0xFFFFFFFFu;

// The vertex the corner welded to, or cacheMiss when it is not cached.
uint32_t findCachedCorner(const CornerCache& cache, uint32_t position, uint32_t texCoord, uint32_t normal);

// Remembers that the corner welded to `vertex`; does nothing when its position's chain is full.
void cacheCorner(CornerCache& cache, uint32_t position, uint32_t texCoord, uint32_t normal, uint32_t vertex);

// The distinct corners of a run of corners, by their record numbers, in the order each first
// appears, and which of them each corner is. Corners with the same records have the same vertex
// data, so they weld alike: welding the distinct ones in this order gives each corner what the
// corner-by-corner welding gives it, with the same vertices in the same order.
struct DistinctCorners {
    std::vector<ObjCorner> distinct;
    std::vector<uint32_t> which;  // per corner, its place in `distinct`
};

// Finds the distinct corners of corners[0, count), replacing what `out` held.
void findDistinctCorners(const ObjCorner* corners, size_t count, DistinctCorners& out);
