#include "assets/weld.h"

#include <cmath>

namespace {

// Cells of 8 tolerances; a vertex can match only positions within 1.5 tolerances on each axis
// (see cellRange), so a search touches at most two cells per axis.
const double cellSize = 8.0 * double(tolerance);
const double searchReach = 1.5 * double(tolerance);
const double cellLimit = 4611686018427387904.0;  // 2^62, keeps cell numbers inside int64

// Cell number of a coordinate: floor(value / cellSize) in double, clamped. Every step is
// monotonic, so a <= b gives cellOf(a) <= cellOf(b).
int64_t cellOf(double value)
{
    double q = std::floor(value / cellSize);
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

const WeldCell* findCell(const WeldGrid& grid, int64_t x, int64_t y, int64_t z)
{
    if (grid.cells.empty())
        return nullptr;
    size_t mask = grid.cells.size() - 1;
    for (size_t i = hashCell(x, y, z) & mask;; i = (i + 1) & mask) {
        const WeldCell& cell = grid.cells[i];
        if (!cell.used)
            return nullptr;
        if (cell.x == x && cell.y == y && cell.z == z)
            return &cell;
    }
}

WeldCell& insertCell(std::vector<WeldCell>& cells, int64_t x, int64_t y, int64_t z, bool& inserted)
{
    size_t mask = cells.size() - 1;
    for (size_t i = hashCell(x, y, z) & mask;; i = (i + 1) & mask) {
        WeldCell& cell = cells[i];
        if (!cell.used) {
            cell = WeldCell{x, y, z, noVertex, true};
            inserted = true;
            return cell;
        }
        if (cell.x == x && cell.y == y && cell.z == z) {
            inserted = false;
            return cell;
        }
    }
}

void growCells(WeldGrid& grid)
{
    std::vector<WeldCell> old;
    old.swap(grid.cells);
    grid.cells.assign(old.empty() ? 1024 : old.size() * 2, WeldCell{0, 0, 0, noVertex, false});
    for (const WeldCell& cell : old) {
        if (!cell.used)
            continue;
        bool inserted;
        insertCell(grid.cells, cell.x, cell.y, cell.z, inserted).head = cell.head;
    }
}

uint64_t hashCorner(uint32_t position, uint32_t texCoord, uint32_t normal)
{
    uint64_t h = (uint64_t(position) << 32 | texCoord) * 0x9E3779B97F4A7C15ull;
    h ^= (h >> 29) + uint64_t(normal) * 0xC2B2AE3D27D4EB4Full;
    return h ^ (h >> 32);
}

} // namespace

uint32_t findWeldMatch(const WeldGrid& grid, const std::vector<Vertex>& vertices, const Vertex& v)
{
    int64_t lowX, highX, lowY, highY, lowZ, highZ;
    cellRange(v.position.x, lowX, highX);
    cellRange(v.position.y, lowY, highY);
    cellRange(v.position.z, lowZ, highZ);

    uint32_t best = noVertex;
    // (high - low) is 0 or 1 per axis: the loops stop at high without overflowing at the clamp
    for (int64_t x = lowX;; ++x) {
        for (int64_t y = lowY;; ++y) {
            for (int64_t z = lowZ;; ++z) {
                if (const WeldCell* cell = findCell(grid, x, y, z))
                    for (uint32_t i = cell->head; i != noVertex; i = grid.next[i])
                        if (i < best && verticesMatch(vertices[i], v))
                            best = i;
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

void addToWeldGrid(WeldGrid& grid, const std::vector<Vertex>& vertices, uint32_t index)
{
    if ((grid.usedCells + 1) * 2 > grid.cells.size())
        growCells(grid);
    const Vector3& p = vertices[index].position;
    bool inserted;
    WeldCell& cell = insertCell(grid.cells, cellOf(p.x), cellOf(p.y), cellOf(p.z), inserted);
    if (inserted)
        ++grid.usedCells;
    if (grid.next.size() <= index)
        grid.next.resize(index + 1, noVertex);
    grid.next[index] = cell.head;
    cell.head = index;
}

uint32_t findCachedCorner(const CornerCache& cache, uint32_t position, uint32_t texCoord, uint32_t normal)
{
    if (cache.slots.empty())
        return noVertex;
    size_t mask = cache.slots.size() - 1;
    for (size_t i = hashCorner(position, texCoord, normal) & mask;; i = (i + 1) & mask) {
        const CornerCache::Slot& slot = cache.slots[i];
        if (slot.position == noVertex)
            return noVertex;
        if (slot.position == position && slot.texCoord == texCoord && slot.normal == normal)
            return slot.vertex;
    }
}

void cacheCorner(CornerCache& cache, uint32_t position, uint32_t texCoord, uint32_t normal, uint32_t vertex)
{
    const CornerCache::Slot empty = {noVertex, 0, 0, 0};
    if ((cache.used + 1) * 2 > cache.slots.size()) {
        std::vector<CornerCache::Slot> old;
        old.swap(cache.slots);
        cache.slots.assign(old.empty() ? 1024 : old.size() * 2, empty);
        cache.used = 0;
        for (const CornerCache::Slot& slot : old)
            if (slot.position != noVertex)
                cacheCorner(cache, slot.position, slot.texCoord, slot.normal, slot.vertex);
    }
    size_t mask = cache.slots.size() - 1;
    for (size_t i = hashCorner(position, texCoord, normal) & mask;; i = (i + 1) & mask) {
        CornerCache::Slot& slot = cache.slots[i];
        if (slot.position == noVertex) {
            slot = {position, texCoord, normal, vertex};
            ++cache.used;
            return;
        }
        if (slot.position == position && slot.texCoord == texCoord && slot.normal == normal)
            return;
    }
}
