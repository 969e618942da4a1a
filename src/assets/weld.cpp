#include "assets/weld.h"

#include <algorithm>
#include <cmath>

namespace {

// Cells of 32 tolerances; a vertex can match only positions within 1.5 tolerances on each axis
// (see cellRange), so a search touches at most two cells per axis, and mostly one.
const double cellsPerUnit = 1.0 / (32.0 * double(tolerance));
const double searchReach = 1.5 * double(tolerance);
const double cellLimit = 4611686018427387904.0;  // 2^62, keeps cell numbers inside int64

// Cell number of a coordinate: floor(value * cellsPerUnit) in double, clamped. Every step is
// monotonic, so a <= b gives cellOf(a) <= cellOf(b).
int64_t cellOf(double value)
{
    double q = std::floor(value * cellsPerUnit);
    if (!(q >= -cellLimit))  // also catches nan
        return q != q ? 0 : int64_t(-cellLimit);
    if (q > cellLimit)
        return int64_t(cellLimit);
    return int64_t(q);  // -0.0 becomes 0
}

// Cells that can hold a coordinate matching `value`. approxEqual accepts a float difference of at
// most the tolerance, so the exact difference is at most the tolerance plus half its ulp, below
// 1.5 tolerances; b <= value + reach exactly implies b <= fl(value + reach), and so on through
// the monotonic cellOf.
void cellRange(float value, int64_t& low, int64_t& high)
{
    low = cellOf(double(value) - searchReach);
    high = cellOf(double(value) + searchReach);
}

uint64_t hashCell(int64_t x, int64_t y, int64_t z)
{
    uint64_t h = uint64_t(x) * 0x9E3779B97F4A7C15ull;
    h ^= uint64_t(y) * 0xC2B2AE3D27D4EB4Full + (h >> 29);
    h ^= uint64_t(z) * 0x165667B19E3779F9ull + (h >> 32);
    return h ^ (h >> 31);
}

constexpr size_t occupiedBits = size_t(1) << 19;  // 64 KiB

bool mayBeOccupied(const WeldGrid& grid, uint64_t hash)
{
    size_t bit = size_t(hash >> 40) & (occupiedBits - 1);
    return (grid.occupied[bit / 64] >> (bit % 64)) & 1;
}

void markOccupied(WeldGrid& grid, uint64_t hash)
{
    size_t bit = size_t(hash >> 40) & (occupiedBits - 1);
    grid.occupied[bit / 64] |= uint64_t(1) << (bit % 64);
}

struct CellKey {
    int64_t x, y, z;
    uint64_t hash;
};

CellKey keyOf(int64_t x, int64_t y, int64_t z)
{
    return CellKey{x, y, z, hashCell(x, y, z)};
}

CellKey cellKeyOf(const Vector3& p)
{
    return keyOf(cellOf(p.x), cellOf(p.y), cellOf(p.z));
}

bool sameCell(const CellKey& key, const Vector3& p)
{
    return cellOf(p.x) == key.x && cellOf(p.y) == key.y && cellOf(p.z) == key.z;
}

// The slot of the key's cell, or of the empty slot where it would go.
size_t findSlot(const std::vector<WeldCell>& cells, const std::vector<Vertex>& vertices, const CellKey& key)
{
    size_t mask = cells.size() - 1;
    uint32_t tag = uint32_t(key.hash >> 32);
    for (size_t i = key.hash & mask;; i = (i + 1) & mask) {
        const WeldCell& cell = cells[i];
        if (cell.head == noVertex || (cell.tag == tag && sameCell(key, vertices[cell.head].position)))
            return i;
    }
}

void resizeCells(WeldGrid& grid, const std::vector<Vertex>& vertices, size_t size)
{
    std::vector<WeldCell> old;
    old.swap(grid.cells);
    grid.cells.assign(size, WeldCell{noVertex, 0});
    for (const WeldCell& cell : old)
        if (cell.head != noVertex)
            grid.cells[findSlot(grid.cells, vertices, cellKeyOf(vertices[cell.head].position))] = cell;
}

} // namespace

uint32_t findWeldMatch(const WeldGrid& grid, const std::vector<Vertex>& vertices, const Vertex& v)
{
    uint32_t best = noVertex;
    if (grid.occupied.empty())  // nothing added yet
        return best;

    int64_t lowX, highX, lowY, highY, lowZ, highZ;
    cellRange(v.position.x, lowX, highX);
    cellRange(v.position.y, lowY, highY);
    cellRange(v.position.z, lowZ, highZ);
    // a vertex that finds no match is added next, into its own cell: start loading that slot
    uint64_t ownHash = cellKeyOf(v.position).hash;
    __builtin_prefetch(&grid.cells[ownHash & (grid.cells.size() - 1)]);
    // (high - low) is 0 or 1 per axis: the loops stop at high without overflowing at the clamp
    for (int64_t x = lowX;; ++x) {
        for (int64_t y = lowY;; ++y) {
            for (int64_t z = lowZ;; ++z) {
                CellKey key = keyOf(x, y, z);
                // most searches look at empty cells: the bit saves a lookup in the larger table
                if (mayBeOccupied(grid, key.hash)) {
                    const WeldCell& cell = grid.cells[findSlot(grid.cells, vertices, key)];
                    for (uint32_t i = cell.head; i != noVertex; i = grid.next[i])
                        if (i < best && verticesMatch(vertices[i], v))
                            best = i;
                }
                if (z == highZ)
                    break;
            }
            if (y == highY)
                break;
        }
        if (x == highX)
            break;
    }
    return best;
}

void reserveWeldGrid(WeldGrid& grid, const std::vector<Vertex>& vertices, size_t vertexCount)
{
    size_t size = 1024;
    while (size < vertexCount * 2)
        size *= 2;
    if (size > grid.cells.size())
        resizeCells(grid, vertices, size);
    grid.next.reserve(vertexCount);
}

void addToWeldGrid(WeldGrid& grid, const std::vector<Vertex>& vertices, uint32_t index)
{
    if (grid.occupied.empty())
        grid.occupied.assign(occupiedBits / 64, 0);
    if ((grid.usedCells + 1) * 2 > grid.cells.size())
        resizeCells(grid, vertices, grid.cells.empty() ? 1024 : grid.cells.size() * 2);

    CellKey key = cellKeyOf(vertices[index].position);
    markOccupied(grid, key.hash);
    WeldCell& cell = grid.cells[findSlot(grid.cells, vertices, key)];
    if (grid.next.size() <= index)
        grid.next.resize(index + 1, noVertex);
    if (cell.head == noVertex) {
        cell = WeldCell{index, uint32_t(key.hash >> 32)};
        grid.next[index] = noVertex;
        ++grid.usedCells;
    } else {
        // the head names the cell, so it stays first; later vertices go right behind it
        grid.next[index] = grid.next[cell.head];
        grid.next[cell.head] = index;
    }
}

constexpr int maxCachedPerPosition = 8;  // keeps every lookup short, whatever the file

uint32_t findCachedCorner(const CornerCache& cache, uint32_t position, uint32_t texCoord, uint32_t normal)
{
    if (position >= cache.head.size())
        return noVertex;
    for (uint32_t e = cache.head[position]; e != noVertex; e = cache.entries[e].next) {
        const CornerCache::Entry& entry = cache.entries[e];
        if (entry.texCoord == texCoord && entry.normal == normal)
            return entry.vertex;
    }
    return noVertex;
}

void cacheCorner(CornerCache& cache, uint32_t position, uint32_t texCoord, uint32_t normal, uint32_t vertex)
{
    if (position >= cache.head.size())
        cache.head.resize(std::max<size_t>(size_t(position) + 1, cache.head.size() * 2), noVertex);
    int length = 0;
    for (uint32_t e = cache.head[position]; e != noVertex; e = cache.entries[e].next, ++length) {
        const CornerCache::Entry& entry = cache.entries[e];
        if ((entry.texCoord == texCoord && entry.normal == normal) || length == maxCachedPerPosition)
            return;
    }
    cache.entries.push_back({texCoord, normal, vertex, cache.head[position]});
    cache.head[position] = uint32_t(cache.entries.size() - 1);
}
