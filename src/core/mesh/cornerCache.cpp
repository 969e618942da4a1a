#include "core/mesh/cornerCache.h"

#include <algorithm>

namespace {

constexpr int maxCachedPerPosition = 8;  // keeps every lookup short, whatever the file

} // namespace

uint32_t findCachedCorner(const CornerCache& cache, uint32_t position, uint32_t texCoord, uint32_t normal)
{
    if (position >= cache.head.size())
        return cacheMiss;
    for (uint32_t e = cache.head[position]; e != cacheMiss; e = cache.entries[e].next) {
        const CornerCache::Entry& entry = cache.entries[e];
        if (entry.texCoord == texCoord && entry.normal == normal)
            return entry.vertex;
    }
    return cacheMiss;
}

void cacheCorner(CornerCache& cache, uint32_t position, uint32_t texCoord, uint32_t normal, uint32_t vertex)
{
    if (position >= cache.head.size())
        cache.head.resize(std::max<size_t>(size_t(position) + 1, cache.head.size() * 2), cacheMiss);
    int length = 0;
    for (uint32_t e = cache.head[position]; e != cacheMiss; e = cache.entries[e].next, ++length) {
        const CornerCache::Entry& entry = cache.entries[e];
        if ((entry.texCoord == texCoord && entry.normal == normal) || length == maxCachedPerPosition)
            return;
    }
    cache.entries.push_back({texCoord, normal, vertex, cache.head[position]});
    cache.head[position] = uint32_t(cache.entries.size() - 1);
}
