#include "core/mesh/flatWeld.h"

#include "core/mesh/smoothing.h"
#include "core/platform/platform.h"

#include <utility>

namespace {

// The facets a cell keeps in its chain before their vertices go to the grid.
constexpr uint32_t chainedFacets = 8;
constexpr uint32_t gridCell = 0xFFFFFFFFu;

// How many facets ahead of the one being welded their normals' cells are found and fetched.
constexpr size_t lookahead = 8;

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
size_t cellSlot(const std::vector<NormalCell>& cells, uint64_t key)
{
    size_t mask = cells.size() - 1;
    size_t i = slotHash(key) & mask;
    while (cells[i].key != 0 && cells[i].key != key)
        i = (i + 1) & mask;
    return i;
}

void resizeCellTable(FlatWelding& welding, size_t size)
{
    std::vector<NormalCell> cells(size, NormalCell{0, 0, 0});
    cells.swap(welding.cells);
    for (const NormalCell& cell : cells)
        if (cell.key != 0)
            welding.cells[cellSlot(welding.cells, cell.key)] = cell;
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

// Puts the vertices of the facets of `cell` into the grid: the cell is crowded.
void moveCellToGrid(FlatWelding& welding, NormalCell& cell)
{
    WeldedMesh& mesh = welding.welder.mesh;
    for (uint32_t f = cell.lastFacet; f != 0; f = welding.previousFacet[f - 1])
        forMadeVertices(welding, f - 1, [&](uint32_t v) {
            addToWeldGrid(welding.welder.grid, mesh.vertices, v, weldCellKey(mesh.vertices[v]));
        });
    cell.lastFacet = 0;
    cell.facetCount = gridCell;
}

// A facet worked out ahead of its welding: its normal and the cells within reach of it (those of
// every normal within the tolerance: low or low + 1 on the straddling axes), own among them.
struct FacetAhead {
    Vector3 normal;
    int64_t low[3];
    unsigned straddling;
    uint64_t own;
};

void prepareFacet(const Vector3* corners, FacetAhead& ahead)
{
    ahead.normal = faceNormal(corners[0], corners[1], corners[2]);
    Vertex asPosition = {ahead.normal, {0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}};
    WeldSearch search;
    prepareWeldSearch(asPosition, search);
    for (int i = 0; i < 3; ++i)
        ahead.low[i] = search.low[i];
    ahead.straddling = search.straddling & 7u;  // the other axes are 0, well inside their cell
    ahead.own = packedCell(search.own.cell);
}

// Where a facet's corners look: the vertices made by the facets of the chained cells within
// reach, and whether a cell within reach has its vertices in the grid.
struct Reach {
    uint32_t candidates[8 * chainedFacets * 3];
    size_t candidateCount;
    bool grid;
    size_t ownSlot;
};

void reachOf(FlatWelding& welding, const FacetAhead& facet, Reach& reach)
{
    reach.candidateCount = 0;
    reach.grid = false;
    for (unsigned steps = facet.straddling;; steps = (steps - 1) & facet.straddling) {
        int64_t cell[3];
        for (int i = 0; i < 3; ++i)
            cell[i] = facet.low[i] + ((steps >> i) & 1);
        const NormalCell& found = welding.cells[cellSlot(welding.cells, packedCell(cell))];
        if (found.key != 0 && found.facetCount == gridCell)
            reach.grid = true;
        else if (found.key != 0)
            for (uint32_t f = found.lastFacet; f != 0; f = welding.previousFacet[f - 1])
                forMadeVertices(welding, f - 1, [&](uint32_t v) { reach.candidates[reach.candidateCount++] = v; });
        if (steps == 0)
            break;
    }
    reach.ownSlot = cellSlot(welding.cells, facet.own);
    if (welding.cells[reach.ownSlot].key == 0) {
        welding.cells[reach.ownSlot] = NormalCell{facet.own, 0, 0};
        ++welding.usedCells;
    }
}

// False when the vertices' x differ by more than the tolerance, as verticesMatch would find
// first: most candidates are told apart here, without a call.
inline bool xMayMatch(const Vertex& a, const Vertex& b)
{
    float difference = a.position.x - b.position.x;
    return !(difference > tolerance || difference < -tolerance);
}

// The first vertex that `v` welds to among those within reach, or noVertex. `made` is the first
// vertex this facet made, `prepared` v's grid search when the reach has a grid cell.
uint32_t firstMatch(const FlatWelding& welding, const Reach& reach, const Vertex& v, uint32_t made,
                    const WeldSearch* prepared)
{
    const std::vector<Vertex>& vertices = welding.welder.mesh.vertices;
    uint32_t best = prepared ? findWeldMatch(welding.welder.grid, vertices, v, *prepared) : noVertex;
    for (size_t c = 0; c < reach.candidateCount; ++c) {
        uint32_t i = reach.candidates[c];
        if (i < best && xMayMatch(vertices[i], v) && verticesMatch(vertices[i], v))
            best = i;
    }
    for (uint32_t i = made; i < vertices.size() && i < best; ++i)
        if (xMayMatch(vertices[i], v) && verticesMatch(vertices[i], v))
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
    // room for a cell every other facet, as facets in pairs (quads) or twins share them
    size_t size = 1024;
    while (size < expectedFacets)
        size *= 2;
    welding.cells.assign(size, NormalCell{0, 0, 0});
}

void weldFlatTriangles(FlatWelding& welding, const Vector3* positions, size_t triangles)
{
    WeldedMesh& mesh = welding.welder.mesh;
    FacetAhead ahead[lookahead];
    size_t next = 0;
    for (size_t t = 0; t < triangles; ++t) {
        if (2 * (welding.usedCells + 8) > welding.cells.size()) {
            resizeCellTable(welding, welding.cells.empty() ? 1024 : 2 * welding.cells.size());
            next = t;  // the slots fetched ahead moved
        }
        for (; next < triangles && next < t + lookahead; ++next) {
            prepareFacet(positions + 3 * next, ahead[next % lookahead]);
            prefetch(&welding.cells[slotHash(ahead[next % lookahead].own) & (welding.cells.size() - 1)]);
        }
        const Vector3* corners = positions + 3 * t;
        const FacetAhead& facetAhead = ahead[t % lookahead];
        Vector3 normal = facetAhead.normal;
        Reach reach;
        reachOf(welding, facetAhead, reach);
        uint32_t facet = uint32_t(welding.firstVertex.size());
        uint32_t made = uint32_t(mesh.vertices.size());
        welding.firstVertex.push_back(made);
        NormalCell* own = &welding.cells[reach.ownSlot];
        bool gridded = own->facetCount == gridCell;
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
        welding.previousFacet.push_back(own->lastFacet);
        own->lastFacet = facet + 1;
        if (++own->facetCount > chainedFacets)
            moveCellToGrid(welding, *own);
    }
}

WeldedMesh finishFlatWelding(FlatWelding& welding)
{
    WeldedMesh welded = std::move(welding.welder.mesh);
    welding = FlatWelding();
    return welded;
}
