#include "core/mesh/weldGrid.h"

#include "core/platform/platform.h"

#include <cmath>
#include <cstring>

namespace {

constexpr int axes = 8;  // position x, y, z; normal x, y, z; texture coordinate x, y

// Cells of 30 tolerances, centred on the multiples of their width, so that 0, the integers and
// the other round values of real files sit well inside a cell. A vertex can match only values
// within 1.5 tolerances on each axis (see prepareWeldSearch): a search touches at most two cells
// per axis, and mostly one.
const double cellsPerUnit = 1.0 / (30.0 * double(tolerance));
const double searchReach = 1.5 * double(tolerance);
const double cellLimit = 4611686018427387904.0;  // 2^62, keeps cell numbers inside int64

// The fine grid's cells, 4 tolerances wide: still more than twice the reach, so that a search
// there too touches at most two cells per axis, low and low + 1.
const double fineCellsPerUnit = 1.0 / (4.0 * double(tolerance));

// Cell number of a value in cells of 1 / perUnit: floor(value * perUnit + 0.5) in double inside
// +-2^62; beyond, +-(2^62 + the top 35 bits of |value| as a double), so that every float there
// has a cell of its own (nan gives 0). Clamped instead, every coordinate past 1.4e15 shared one
// cell, searched linearly.
//
// The search stays exact. cellOf is monotonic, a <= b giving cellOf(a) <= cellOf(b): floor and
// the rounded product are, the bits of a double's magnitude grow with it, and every number
// beyond 2^62 lies past every number inside. Beyond, |value| is at least 2^62 / perUnit, over
// 1.8e14 for either grid, where doubles are at least 1/32 apart: value -+ 1.5 tolerances rounds
// back to value, so a search spans one cell per axis there; and floats are 2^24 apart or more,
// never within the tolerance, so a vertex matches only equal values, in its own cell. A float as
// a double has its low 29 bits 0, so distinct floats keep distinct cells.
int64_t cellOf(double value, double perUnit = cellsPerUnit)
{
    double q = value * perUnit + 0.5;
    if (q != q)
        return 0;
    if (q >= cellLimit || q <= -cellLimit) {
        double magnitude = std::fabs(value);
        uint64_t bits;
        memcpy(&bits, &magnitude, sizeof(bits));
        int64_t beyond = int64_t(cellLimit) + int64_t(bits >> 29);
        return q > 0.0 ? beyond : -beyond;
    }
    // truncation is the floor but for negative non-integers: one less there
    int64_t whole = int64_t(q);
    return whole - (double(whole) > q);
}

// Most values lie well inside their cell, and then their reach does too: true, with the cell, for a
// value more than 0.06 of a cell from both edges (the reach is 0.05 of a cell) and fewer than
// 2^40 cells from 0, where cellOf's rounding of value -+ reach is far below the margin of 0.01.
bool wellInsideCell(float value, int64_t& cell)
{
    const double limit = 1099511627776.0;  // 2^40
    double q = double(value) * cellsPerUnit + 0.5;
    if (!(q > -limit && q < limit))
        return false;
    int64_t whole = int64_t(q);
    cell = whole - (double(whole) > q);
    double inside = q - double(cell);
    return inside > 0.06 && inside < 0.94;
}

void componentsOf(const Vertex& v, float (&c)[axes])
{
    const float components[axes] = {v.position.x, v.position.y, v.position.z, v.normal.x,
                                    v.normal.y,   v.normal.z,   v.texCoord.x, v.texCoord.y};
    for (int i = 0; i < axes; ++i)
        c[i] = components[i];
}

// The hash of a cell is the sum of its cell numbers times a constant per axis, mixed: a cell one
// step up an axis adds that axis's constant before the mixing.
const uint64_t axisFactors[axes] = {0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull,
                                    0xD6E8FEB86659FD93ull, 0xFF51AFD7ED558CCDull, 0xC4CEB9FE1A85EC53ull,
                                    0x94D049BB133111EBull, 0xBF58476D1CE4E5B9ull};

uint64_t mixed(uint64_t sum)
{
    sum ^= sum >> 31;
    sum *= 0x7FB5D329728EA185ull;
    return sum ^ (sum >> 29);
}

bool sameCell(const WeldCellKey& key, const Vertex& v, double perUnit)
{
    float c[axes];
    componentsOf(v, c);
    for (int i = 0; i < axes; ++i)
        if (cellOf(c[i], perUnit) != key.cell[i])
            return false;
    return true;
}

WeldCellKey cellKey(const Vertex& v, double perUnit)
{
    float c[axes];
    componentsOf(v, c);
    WeldCellKey key;
    uint64_t sum = 0;
    for (int i = 0; i < axes; ++i) {
        key.cell[i] = cellOf(c[i], perUnit);
        sum += uint64_t(key.cell[i]) * axisFactors[i];
    }
    key.hash = mixed(sum);
    return key;
}

uint16_t tagOf(uint64_t hash)
{
    return uint16_t(hash >> 48);
}

size_t occupiedBit(const WeldGrid& grid, uint64_t hash)
{
    return size_t(hash >> 24) & (grid.occupied.size() * 64 - 1);
}

bool mayBeOccupied(const WeldGrid& grid, uint64_t hash)
{
    size_t bit = occupiedBit(grid, hash);
    return (grid.occupied[bit / 64] >> (bit % 64)) & 1;
}

void markOccupied(WeldGrid& grid, uint64_t hash)
{
    size_t bit = occupiedBit(grid, hash);
    grid.occupied[bit / 64] |= uint64_t(1) << (bit % 64);
}

// The slot of the key's cell, or of the empty slot where it would go, in a table of cells of
// 1 / perUnit.
size_t findSlot(const std::vector<WeldCell>& cells, const std::vector<Vertex>& vertices, const WeldCellKey& key,
                double perUnit = cellsPerUnit)
{
    size_t mask = cells.size() - 1;
    uint16_t tag = tagOf(key.hash);
    for (size_t i = key.hash & mask;; i = (i + 1) & mask) {
        const WeldCell& cell = cells[i];
        if (cell.head == noVertex || (cell.tag == tag && sameCell(key, vertices[cell.head], perUnit)))
            return i;
    }
}

void resizeCells(std::vector<WeldCell>& cells, const std::vector<Vertex>& vertices, size_t size, double perUnit)
{
    std::vector<WeldCell> old;
    old.swap(cells);
    cells.assign(size, WeldCell{noVertex, 0, 0});
    for (const WeldCell& cell : old)
        if (cell.head != noVertex)
            cells[findSlot(cells, vertices, cellKey(vertices[cell.head], perUnit), perUnit)] = cell;
}

// Puts `index` into the chain of the cell named by `cell`, an occupied slot: right behind its
// head, which stays first.
void chainBehindHead(WeldGrid& grid, const WeldCell& cell, uint32_t index)
{
    grid.next[index] = grid.next[cell.head];
    grid.next[cell.head] = index;
}

// Adds vertices[index] to the fine grid; grid.next must have its slot.
void addToFineGrid(WeldGrid& grid, const std::vector<Vertex>& vertices, uint32_t index)
{
    if ((grid.usedFineCells + 1) * 10 > grid.fineCells.size() * 7)
        resizeCells(grid.fineCells, vertices, grid.fineCells.empty() ? 256 : grid.fineCells.size() * 2,
                    fineCellsPerUnit);
    WeldCellKey key = cellKey(vertices[index], fineCellsPerUnit);
    WeldCell& cell = grid.fineCells[findSlot(grid.fineCells, vertices, key, fineCellsPerUnit)];
    if (cell.head == noVertex) {
        cell = WeldCell{index, tagOf(key.hash), 0};
        grid.next[index] = noVertex;
        ++grid.usedFineCells;
    } else {
        chainBehindHead(grid, cell, index);
    }
}

// Hands the chain of a full cell to the fine grid; the cell's head stays, naming it.
void crowd(WeldGrid& grid, const std::vector<Vertex>& vertices, WeldCell& cell)
{
    for (uint32_t i = cell.head; i != noVertex;) {
        uint32_t after = grid.next[i];
        addToFineGrid(grid, vertices, i);
        i = after;
    }
    cell.size = crowdedCell;
}

// The smallest i below `best` among the fine grid's vertices that match v, or `best`. Fine
// cells are more than twice the reach wide, so the cells within reach are low or low + 1 on each
// axis, through the monotonic cellOf as in prepareWeldSearch.
uint32_t findFineMatch(const WeldGrid& grid, const std::vector<Vertex>& vertices, const Vertex& v,
                       const WeldColor& color, uint32_t best)
{
    float c[axes];
    componentsOf(v, c);
    int64_t low[axes];
    uint64_t lowSum = 0;
    unsigned straddling = 0;
    for (int i = 0; i < axes; ++i) {
        low[i] = cellOf(double(c[i]) - searchReach, fineCellsPerUnit);
        if (cellOf(double(c[i]) + searchReach, fineCellsPerUnit) != low[i])
            straddling |= 1u << i;
        lowSum += uint64_t(low[i]) * axisFactors[i];
    }
    for (unsigned steps = straddling;; steps = (steps - 1) & straddling) {
        uint64_t sum = lowSum;
        WeldCellKey key;
        for (int i = 0; i < axes; ++i) {
            key.cell[i] = low[i] + ((steps >> i) & 1);
            if ((steps >> i) & 1)
                sum += axisFactors[i];
        }
        key.hash = mixed(sum);
        const WeldCell& cell = grid.fineCells[findSlot(grid.fineCells, vertices, key, fineCellsPerUnit)];
        for (uint32_t i = cell.head; i != noVertex; i = grid.next[i])
            if (i < best && verticesMatch(vertices[i], v) && colorsMatch(color, i))
                best = i;
        if (steps == 0)
            break;
    }
    return best;
}

// The occupancy bits: about eight per vertex, at least 2^13 (1 KiB, eight per cell of the
// smallest table).
void resizeOccupied(WeldGrid& grid, const std::vector<Vertex>& vertices, size_t vertexCount)
{
    size_t bits = size_t(1) << 13;
    while (bits < vertexCount * 8)
        bits *= 2;
    if (bits <= grid.occupied.size() * 64)
        return;
    grid.occupied.assign(bits / 64, 0);
    for (const WeldCell& cell : grid.cells)
        if (cell.head != noVertex)
            markOccupied(grid, weldCellKey(vertices[cell.head]).hash);
}

} // namespace

WeldCellKey weldCellKey(const Vertex& v)
{
    return cellKey(v, cellsPerUnit);
}

// Cells that can hold a component matching v's. approxEqual accepts a float difference of at most
// the tolerance, so the exact difference is at most the tolerance plus half its ulp, below 1.5
// tolerances; b <= value + reach exactly implies b <= fl(value + reach), and so on through the
// monotonic cellOf.
void prepareWeldSearch(const Vertex& v, WeldSearch& search)
{
    float c[axes];
    componentsOf(v, c);
    uint64_t ownSum = 0;
    search.lowSum = 0;
    search.straddling = 0;
    for (int i = 0; i < axes; ++i) {
        int64_t own, low;
        if (!wellInsideCell(c[i], own)) {
            own = cellOf(c[i]);
            low = cellOf(double(c[i]) - searchReach);
            // low <= own <= high, and high - low <= 1
            if (own != low || cellOf(double(c[i]) + searchReach) != low)
                search.straddling |= 1u << i;
        } else {
            low = own;
        }
        search.own.cell[i] = own;
        search.low[i] = low;
        ownSum += uint64_t(own) * axisFactors[i];
        search.lowSum += uint64_t(low) * axisFactors[i];
    }
    search.own.hash = mixed(ownSum);
}

void prefetchWeldSearch(const WeldGrid& grid, const WeldSearch& search)
{
    if (grid.cells.empty() || grid.occupied.empty())
        return;
    prefetch(&grid.cells[search.own.hash & (grid.cells.size() - 1)]);
    prefetch(&grid.occupied[occupiedBit(grid, search.own.hash) / 64]);
}

uint32_t findWeldMatch(const WeldGrid& grid, const std::vector<Vertex>& vertices, const Vertex& v,
                       const WeldSearch& search, const WeldColor& color)
{
    uint32_t best = noVertex;
    if (grid.occupied.empty())  // nothing added yet
        return best;
    // Every vertex within reach is in a cell within reach: in its chain when the cell is not
    // crowded, else in the fine grid, which is searched once for all the crowded ones.
    bool crowded = false;
    // every subset of the straddling axes, stepped up by one cell, is a cell to search
    for (unsigned steps = search.straddling;; steps = (steps - 1) & search.straddling) {
        uint64_t sum = search.lowSum;
        WeldCellKey key;
        for (int i = 0; i < axes; ++i) {
            key.cell[i] = search.low[i] + ((steps >> i) & 1);
            if ((steps >> i) & 1)
                sum += axisFactors[i];
        }
        key.hash = mixed(sum);
        // most searches look at empty cells: the bit saves a lookup in the larger table
        if (mayBeOccupied(grid, key.hash)) {
            const WeldCell& cell = grid.cells[findSlot(grid.cells, vertices, key)];
            if (cell.size == crowdedCell)
                crowded = true;
            else
                for (uint32_t i = cell.head; i != noVertex; i = grid.next[i])
                    if (i < best && verticesMatch(vertices[i], v) && colorsMatch(color, i))
                        best = i;
        }
        if (steps == 0)
            break;
    }
    return crowded ? findFineMatch(grid, vertices, v, color, best) : best;
}

void reserveWeldGrid(WeldGrid& grid, const std::vector<Vertex>& vertices, size_t vertexCount)
{
    // at most 70% full: open addressing stays quick
    size_t size = 1024;
    while (size * 7 < vertexCount * 10)
        size *= 2;
    if (size > grid.cells.size())
        resizeCells(grid.cells, vertices, size, cellsPerUnit);
    resizeOccupied(grid, vertices, vertexCount);
    grid.next.reserve(vertexCount);
}

void addToWeldGrid(WeldGrid& grid, const std::vector<Vertex>& vertices, uint32_t index, const WeldCellKey& key)
{
    if (grid.occupied.empty())
        resizeOccupied(grid, vertices, 0);
    if ((grid.usedCells + 1) * 10 > grid.cells.size() * 7) {
        resizeCells(grid.cells, vertices, grid.cells.empty() ? 1024 : grid.cells.size() * 2, cellsPerUnit);
        resizeOccupied(grid, vertices, grid.cells.size() / 2);
    }

    markOccupied(grid, key.hash);
    WeldCell& cell = grid.cells[findSlot(grid.cells, vertices, key)];
    if (grid.next.size() <= index)
        grid.next.resize(index + 1, noVertex);
    if (cell.head == noVertex) {
        cell = WeldCell{index, tagOf(key.hash), 1};
        grid.next[index] = noVertex;
        ++grid.usedCells;
        return;
    }
    if (cell.size == maxChainedVertices)
        crowd(grid, vertices, cell);
    if (cell.size == crowdedCell) {
        addToFineGrid(grid, vertices, index);
    } else {
        // the head names the cell, so it stays first; later vertices go right behind it
        chainBehindHead(grid, cell, index);
        ++cell.size;
    }
}

namespace {

// Position marks' cells, 64 tolerances wide: more than twice the reach, so a position's reach
// spans at most two on each axis, and mostly one.
const double markCellsPerUnit = 1.0 / (64.0 * double(tolerance));

size_t markBit(const PositionMarks& marks, const int64_t (&cell)[3])
{
    uint64_t sum = 0;
    for (int i = 0; i < 3; ++i)
        sum += uint64_t(cell[i]) * axisFactors[i];
    return size_t(mixed(sum) >> 20) & (marks.bits.size() * 64 - 1);
}

} // namespace

void markPositions(PositionMarks& marks, const std::vector<Vertex>& vertices)
{
    size_t bits = size_t(1) << 13;
    while (bits < vertices.size() * 16)
        bits *= 2;
    marks.bits.assign(bits / 64, 0);
    for (const Vertex& v : vertices) {
        const float c[3] = {v.position.x, v.position.y, v.position.z};
        int64_t cell[3];
        for (int i = 0; i < 3; ++i)
            cell[i] = cellOf(c[i], markCellsPerUnit);
        size_t bit = markBit(marks, cell);
        marks.bits[bit / 64] |= uint64_t(1) << (bit % 64);
    }
}

// Every position within reach of `position` has its cell between the cells of position -+ reach
// on each axis, through the monotonic cellOf, as in prepareWeldSearch.
bool mayBeNearMarked(const PositionMarks& marks, const Vector3& position)
{
    if (marks.bits.empty())
        return false;
    const float c[3] = {position.x, position.y, position.z};
    int64_t low[3];
    unsigned straddling = 0;
    for (int i = 0; i < 3; ++i) {
        low[i] = cellOf(double(c[i]) - searchReach, markCellsPerUnit);
        if (cellOf(double(c[i]) + searchReach, markCellsPerUnit) != low[i])
            straddling |= 1u << i;
    }
    for (unsigned steps = straddling;; steps = (steps - 1) & straddling) {
        int64_t cell[3];
        for (int i = 0; i < 3; ++i)
            cell[i] = low[i] + ((steps >> i) & 1);
        size_t bit = markBit(marks, cell);
        if ((marks.bits[bit / 64] >> (bit % 64)) & 1)
            return true;
        if (steps == 0)
            return false;
    }
}
