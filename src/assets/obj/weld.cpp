#include "assets/obj/weld.h"

#include "assets/obj/cornerCache.h"
#include "assets/obj/weldGrid.h"

namespace {

// How many corners ahead of the one being welded the searches are prepared: enough for the
// memory they touch to arrive.
constexpr size_t lookahead = 16;

struct PreparedCorner {
    size_t corner;  // the corner prepared in this slot
    Vertex vertex;
    WeldSearch search;
};

void prepare(const ObjRecords& records, size_t corner, PreparedCorner& slot)
{
    slot.corner = corner;
    slot.vertex = cornerVertex(records, records.corners[corner]);
    prepareWeldSearch(slot.vertex, slot.search);
}

} // namespace

Vertex cornerVertex(const ObjRecords& records, const ObjCorner& corner)
{
    Vertex v;
    v.position = records.positions[corner.position];
    v.texCoord = corner.texCoord == noRecord ? Vector2{0.0f, 0.0f} : records.texCoords[corner.texCoord];
    v.normal = records.normals[corner.normal];
    return v;
}

void weldTriangles(const ObjRecords& records, WeldedMesh& out)
{
    out = WeldedMesh();
    const std::vector<ObjCorner>& corners = records.corners;
    out.indices.reserve(corners.size());
    // a guess: a vertex on at least two corners, and mostly one per position record
    size_t expected = corners.size() / 2;
    if (records.positions.size() < expected)
        expected = records.positions.size();
    out.vertices.reserve(expected);
    WeldGrid grid;
    reserveWeldGrid(grid, out.vertices, expected);
    CornerCache cache;

    // The first corner of a position record is never cached and nearly always a new vertex: its
    // search is prepared some corners ahead and the memory it touches fetched meanwhile, so that
    // the grid's table, larger than the cache, does not stall the welding.
    std::vector<bool> positionSeen(records.positions.size());
    PreparedCorner ahead[lookahead];
    for (PreparedCorner& slot : ahead)
        slot.corner = SIZE_MAX;
    size_t next = 0;
    for (size_t i = 0; i < corners.size(); ++i) {
        for (; next < corners.size() && next < i + lookahead; ++next) {
            if (positionSeen[corners[next].position])
                continue;
            positionSeen[corners[next].position] = true;
            prepare(records, next, ahead[next % lookahead]);
            prefetchWeldSearch(grid, ahead[next % lookahead].search);
        }

        const ObjCorner& corner = corners[i];
        uint32_t vertex = findCachedCorner(cache, corner.position, corner.texCoord, corner.normal);
        if (vertex == cacheMiss) {
            PreparedCorner& slot = ahead[i % lookahead];
            if (slot.corner != i)
                prepare(records, i, slot);
            vertex = findWeldMatch(grid, out.vertices, slot.vertex, slot.search);
            if (vertex == noVertex) {
                vertex = uint32_t(out.vertices.size());
                out.vertices.push_back(slot.vertex);
                addToWeldGrid(grid, out.vertices, vertex, slot.search.own);
            }
            cacheCorner(cache, corner.position, corner.texCoord, corner.normal, vertex);
        }
        out.indices.push_back(vertex);
    }
}
