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

void findDistinctCorners(const ObjCorner* corners, size_t count, DistinctCorners& out)
{
    out.distinct.clear();
    out.which.resize(count);
    // open addressing over the distinct corners' places, at most half full
    size_t size = 16;
    while (size < 2 * count)
        size *= 2;
    std::vector<uint32_t> slots(size, cacheMiss);
    for (size_t i = 0; i < count; ++i) {
        const ObjCorner& c = corners[i];
        uint64_t h = (uint64_t(c.position) * 0x9E3779B97F4A7C15ull) ^ (uint64_t(c.texCoord) * 0xC2B2AE3D27D4EB4Full) ^
                     (uint64_t(c.normal) * 0x165667B19E3779F9ull);
        size_t slot = size_t(h ^ (h >> 29)) & (size - 1);
        for (;; slot = (slot + 1) & (size - 1)) {
            uint32_t place = slots[slot];
            if (place == cacheMiss) {
                place = slots[slot] = uint32_t(out.distinct.size());
                out.distinct.push_back(c);
                break;
            }
            const ObjCorner& d = out.distinct[place];
            if (d.position == c.position && d.texCoord == c.texCoord && d.normal == c.normal)
                break;
        }
        out.which[i] = slots[slot];
    }
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
