#pragma once
// Remembering where corners welded, by their record numbers.
//
// A corner that repeats an earlier corner's (position, texture, normal) record numbers has the
// same vertex data, so it welds to the same vertex: no search needed. Kept as a short chain per
// position record; a position seen with many others is simply not cached further.

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
