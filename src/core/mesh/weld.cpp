#include "core/mesh/weld.h"

#include "core/mesh/smoothing.h"

#include <utility>

namespace {

// How many corners ahead of the one being welded the searches are prepared: enough for the
// memory they touch to arrive.
constexpr size_t lookahead = 16;

struct PreparedCorner {
    size_t corner;  // the corner prepared in this slot
    Vertex vertex;
    WeldSearch search;
};

void prepare(const ObjRecords& records, const ObjCorner& corner, size_t number, PreparedCorner& slot)
{
    slot.corner = number;
    slot.vertex = cornerVertex(records, corner);
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

void startWelding(Welder& welder, size_t expectedVertices)
{
    welder = Welder();
    welder.mesh.vertices.reserve(expectedVertices);
    reserveWeldGrid(welder.grid, welder.mesh.vertices, expectedVertices);
}

void reserveWelding(Welder& welder, size_t moreVertices, size_t moreCorners)
{
    size_t vertices = welder.mesh.vertices.size() + moreVertices;
    reserveWeldGrid(welder.grid, welder.mesh.vertices, vertices);
    welder.mesh.vertices.reserve(vertices);
    welder.mesh.indices.reserve(welder.mesh.indices.size() + moreCorners);
}

void colorUncoloredVertices(Welder& welder, const ObjRecords& records)
{
    WeldedMesh& out = welder.mesh;
    if (!records.colors.empty() && out.colors.size() < out.vertices.size())
        out.colors.resize(out.vertices.size(), Vector3{1.0f, 1.0f, 1.0f});
}

void weldCorners(Welder& welder, const ObjRecords& records, const ObjCorner* corners, size_t count)
{
    std::vector<uint32_t>& indices = welder.mesh.indices;
    size_t before = indices.size();
    indices.resize(before + count);
    weldCornersTo(welder, records, corners, count, indices.data() + before);
}

namespace {

// weldCornersTo, and with `kinds` given, how each corner welded; then only the corners that made
// a vertex are cached, so that a cached corner always has the data of its vertex.
void weldCornersNoting(Welder& welder, const ObjRecords& records, const ObjCorner* corners, size_t count,
                       uint32_t* vertices, CornerWeld* kinds)
{
    WeldedMesh& out = welder.mesh;
    if (welder.positionSeen.size() < records.positions.size())
        welder.positionSeen.resize(records.positions.size());
    // a chain per position record read so far: sized to them, not doubled past them as it grows
    if (welder.cache.head.size() < records.positions.size())
        welder.cache.head.resize(records.positions.size(), cacheMiss);
    colorUncoloredVertices(welder, records);

    // The first corner of a position record is never cached and nearly always a new vertex: its
    // search is prepared some corners ahead and the memory it touches fetched meanwhile, so that
    // the grid's table, larger than the cache, does not stall the welding.
    PreparedCorner ahead[lookahead];
    for (PreparedCorner& slot : ahead)
        slot.corner = SIZE_MAX;
    size_t next = 0;
    for (size_t i = 0; i < count; ++i) {
        for (; next < count && next < i + lookahead; ++next) {
            if (welder.positionSeen[corners[next].position])
                continue;
            welder.positionSeen[corners[next].position] = true;
            prepare(records, corners[next], next, ahead[next % lookahead]);
            prefetchWeldSearch(welder.grid, ahead[next % lookahead].search);
        }

        const ObjCorner& corner = corners[i];
        uint32_t vertex = findCachedCorner(welder.cache, corner.position, corner.texCoord, corner.normal);
        CornerWeld kind = CornerWeld::cached;
        if (vertex == cacheMiss) {
            PreparedCorner& slot = ahead[i % lookahead];
            if (slot.corner != i)
                prepare(records, corner, i, slot);
            bool colored = !records.colors.empty();
            WeldColor color = {nullptr, {0.0f, 0.0f, 0.0f}};
            if (colored)
                color = WeldColor{out.colors.data(), records.colors[corner.position]};
            vertex = findWeldMatch(welder.grid, out.vertices, slot.vertex, slot.search, color);
            kind = CornerWeld::matched;
            if (vertex == noVertex) {
                vertex = uint32_t(out.vertices.size());
                out.vertices.push_back(slot.vertex);
                if (colored)
                    out.colors.push_back(color.color);
                addToWeldGrid(welder.grid, out.vertices, vertex, slot.search.own);
                kind = CornerWeld::made;
            }
            if (!kinds || kind == CornerWeld::made)
                cacheCorner(welder.cache, corner.position, corner.texCoord, corner.normal, vertex);
        }
        vertices[i] = vertex;
        if (kinds)
            kinds[i] = kind;
    }
}

} // namespace

void weldCornersTo(Welder& welder, const ObjRecords& records, const ObjCorner* corners, size_t count,
                   uint32_t* vertices)
{
    weldCornersNoting(welder, records, corners, count, vertices, nullptr);
}

void weldCornersNoted(Welder& welder, const ObjRecords& records, const ObjCorner* corners, size_t count,
                      uint32_t* vertices, CornerWeld* kinds)
{
    weldCornersNoting(welder, records, corners, count, vertices, kinds);
}

namespace {

// Corner i of the list as the vertex it welds as.
Vertex triangleCorner(const TriangleList& list, size_t i)
{
    Vertex v;
    v.position = list.positions[i];
    v.texCoord = list.texCoords.empty() ? Vector2{0.0f, 0.0f} : list.texCoords[i];
    if (!list.normals.empty()) {
        v.normal = list.normals[i];
    } else {
        size_t first = i - i % 3;
        v.normal = faceNormal(list.positions[first], list.positions[first + 1], list.positions[first + 2]);
    }
    return v;
}

} // namespace

void weldTriangles(const TriangleList& list, WeldedMesh& out)
{
    size_t count = list.positions.size() - list.positions.size() % 3;
    Welder welder;
    // a closed surface of triangles has about half as many vertices as triangles
    startWelding(welder, count / 6);
    welder.mesh.indices.reserve(count);
    WeldedMesh& welded = welder.mesh;
    bool colored = !list.colors.empty();
    // as in weldCorners: each search prepared some corners ahead and its memory fetched meanwhile
    PreparedCorner ahead[lookahead];
    size_t next = 0;
    for (size_t i = 0; i < count; ++i) {
        for (; next < count && next < i + lookahead; ++next) {
            PreparedCorner& slot = ahead[next % lookahead];
            slot.corner = next;
            slot.vertex = triangleCorner(list, next);
            prepareWeldSearch(slot.vertex, slot.search);
            prefetchWeldSearch(welder.grid, slot.search);
        }
        PreparedCorner& slot = ahead[i % lookahead];
        WeldColor color = {nullptr, {0.0f, 0.0f, 0.0f}};
        if (colored)
            color = WeldColor{welded.colors.data(), list.colors[i]};
        uint32_t vertex = findWeldMatch(welder.grid, welded.vertices, slot.vertex, slot.search, color);
        if (vertex == noVertex) {
            vertex = uint32_t(welded.vertices.size());
            welded.vertices.push_back(slot.vertex);
            if (colored)
                welded.colors.push_back(color.color);
            addToWeldGrid(welder.grid, welded.vertices, vertex, slot.search.own);
        }
        welded.indices.push_back(vertex);
    }
    out = std::move(welded);
}
