#include "core/mesh/flatWeld.h"

#include "core/mesh/smoothing.h"

#include <utility>

namespace {

// The facets a cell keeps in its chain before their vertices go to the grid.
constexpr uint8_t chainedFacets = 8;
constexpr uint8_t gridCell = 0xFF;

// A normal's cell numbers lie within 1 / (30 tolerances) of 0 (normals are unit or zero), well
// inside 16 bits with this offset.
constexpr int64_t cellOffset = 32768;
constexpr uint64_t usedKey = uint64_t(1) << 63;  // set in every key, so that no key is 0

uint64_t packedCell(const int64_t* cell)
{
    uint64_t key = usedKey;
    for (int i = 0; i < 3; ++i)
        key |= uint64_t(cell[i] + cellOffset) << (16 * i);
    return key;
}

size_t slotHash(uint64_t key)
{
    key ^= key >> 29;
    key *= 0xBF58476D1CE4E5B9ull;
    return size_t(key ^ (key >> 32));
}

// The slot of `key`, or the empty slot where it would go.
size_t cellSlot(const FlatWelding& welding, uint64_t key)
{
    size_t mask = welding.cellKeys.size() - 1;
    size_t i = slotHash(key) & mask;
    while (welding.cellKeys[i] != 0 && welding.cellKeys[i] != key)
        i = (i + 1) & mask;
    return i;
}

void resizeCellTable(FlatWelding& welding, size_t size)
{
    std::vector<uint64_t> keys(size, 0);
    std::vector<uint32_t> last(size, 0);
    std::vector<uint8_t> count(size, 0);
    keys.swap(welding.cellKeys);
    last.swap(welding.lastFacet);
    count.swap(welding.facetCount);
    for (size_t i = 0; i < keys.size(); ++i)
        if (keys[i] != 0) {
            size_t slot = cellSlot(welding, keys[i]);
            welding.cellKeys[slot] = keys[i];
            welding.lastFacet[slot] = last[i];
            welding.facetCount[slot] = count[i];
        }
}

// Calls `visit` with each vertex facet f made: its corners' vertices from its first one on,
// each once.
template <typename Visit>
void forMadeVertices(const FlatWelding& welding, uint32_t f, Visit visit)
{
    const uint32_t* corners = &welding.welder.mesh.indices[3 * size_t(f)];
    uint32_t first = welding.firstVertex[f];
    for (int k = 0; k < 3; ++k)
        if (corners[k] >= first && (k == 0 || corners[k] != corners[0]) && (k < 2 || corners[k] != corners[1]))
            visit(corners[k]);
}

// Puts the vertices of the facets of the cell in `slot` into the grid: the cell is crowded.
void moveCellToGrid(FlatWelding& welding, size_t slot)
{
    WeldedMesh& mesh = welding.welder.mesh;
    for (uint32_t f = welding.lastFacet[slot]; f != 0; f = welding.previousFacet[f - 1])
        forMadeVertices(welding, f - 1, [&](uint32_t v) {
            addToWeldGrid(welding.welder.grid, mesh.vertices, v, weldCellKey(mesh.vertices[v]));
        });
    welding.lastFacet[slot] = 0;
    welding.facetCount[slot] = gridCell;
}

// Where a facet's corners look: the facets of the chained cells within reach of its normal, and
// whether a cell within reach has its vertices in the grid.
struct Reach {
    uint32_t chains[8];  // 1 + the last facet of each chained cell
    int chainCount;
    bool grid;
    size_t ownSlot;
};

void reachOf(FlatWelding& welding, const Vector3& normal, Reach& reach)
{
    Vertex asPosition = {normal, {0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}};
    WeldSearch search;
    prepareWeldSearch(asPosition, search);
    reach.chainCount = 0;
    reach.grid = false;
    unsigned straddling = search.straddling & 7u;  // the other axes are 0, well inside their cell
    for (unsigned steps = straddling;; steps = (steps - 1) & straddling) {
        int64_t cell[3];
        for (int i = 0; i < 3; ++i)
            cell[i] = search.low[i] + ((steps >> i) & 1);
        size_t slot = cellSlot(welding, packedCell(cell));
        if (welding.cellKeys[slot] != 0) {
            if (welding.facetCount[slot] == gridCell)
                reach.grid = true;
            else
                reach.chains[reach.chainCount++] = welding.lastFacet[slot];
        }
        if (steps == 0)
            break;
    }
    uint64_t own = packedCell(search.own.cell);
    reach.ownSlot = cellSlot(welding, own);
    if (welding.cellKeys[reach.ownSlot] == 0) {
        welding.cellKeys[reach.ownSlot] = own;
        ++welding.usedCells;
    }
}

// The first vertex that `v` welds to among those within reach, or noVertex. `made` is the first
// vertex this facet made, `prepared` v's grid search when the reach has a grid cell.
uint32_t firstMatch(const FlatWelding& welding, const Reach& reach, const Vertex& v, uint32_t made,
                    const WeldSearch* prepared)
{
    const std::vector<Vertex>& vertices = welding.welder.mesh.vertices;
    uint32_t best = prepared ? findWeldMatch(welding.welder.grid, vertices, v, *prepared) : noVertex;
    for (int c = 0; c < reach.chainCount; ++c)
        for (uint32_t f = reach.chains[c]; f != 0; f = welding.previousFacet[f - 1])
            forMadeVertices(welding, f - 1, [&](uint32_t i) {
                if (i < best && verticesMatch(vertices[i], v))
                    best = i;
            });
    for (uint32_t i = made; i < vertices.size() && i < best; ++i)
        if (verticesMatch(vertices[i], v))
            best = i;
    return best;
}

} // namespace

void startFlatWelding(FlatWelding& welding, size_t expectedFacets)
{
    welding = FlatWelding();
    // only reserved: memory is taken as vertices come, a vertex a corner at most
    welding.welder.mesh.vertices.reserve(3 * expectedFacets);
    welding.welder.mesh.indices.reserve(3 * expectedFacets);
    welding.previousFacet.reserve(expectedFacets);
    welding.firstVertex.reserve(expectedFacets);
}

void weldFlatTriangles(FlatWelding& welding, const Vector3* positions, size_t triangles)
{
    WeldedMesh& mesh = welding.welder.mesh;
    for (size_t t = 0; t < triangles; ++t) {
        if (2 * (welding.usedCells + 8) > welding.cellKeys.size())
            resizeCellTable(welding, welding.cellKeys.empty() ? 1024 : 2 * welding.cellKeys.size());
        const Vector3* corners = positions + 3 * t;
        Vector3 normal = faceNormal(corners[0], corners[1], corners[2]);
        Reach reach;
        reachOf(welding, normal, reach);
        uint32_t facet = uint32_t(welding.firstVertex.size());
        uint32_t made = uint32_t(mesh.vertices.size());
        welding.firstVertex.push_back(made);
        bool gridded = welding.facetCount[reach.ownSlot] == gridCell;
        for (int k = 0; k < 3; ++k) {
            Vertex v = {corners[k], {0.0f, 0.0f}, normal};
            WeldSearch search;
            if (reach.grid || gridded)
                prepareWeldSearch(v, search);
            uint32_t match = firstMatch(welding, reach, v, made, reach.grid ? &search : nullptr);
            if (match == noVertex) {
                match = uint32_t(mesh.vertices.size());
                mesh.vertices.push_back(v);
                if (gridded)
                    addToWeldGrid(welding.welder.grid, mesh.vertices, match, search.own);
            }
            mesh.indices.push_back(match);
        }
        // the facet joins its own cell's chain, unless the cell is in the grid
        if (gridded) {
            welding.previousFacet.push_back(0);
            continue;
        }
        welding.previousFacet.push_back(welding.lastFacet[reach.ownSlot]);
        welding.lastFacet[reach.ownSlot] = facet + 1;
        if (++welding.facetCount[reach.ownSlot] > chainedFacets)
            moveCellToGrid(welding, reach.ownSlot);
    }
}

WeldedMesh finishFlatWelding(FlatWelding& welding)
{
    WeldedMesh welded = std::move(welding.welder.mesh);
    welding = FlatWelding();
    return welded;
}
