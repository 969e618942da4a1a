#include "assets/obj/weld.h"

#include "assets/obj/cornerCache.h"
#include "assets/obj/weldGrid.h"

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
    out.indices.reserve(records.corners.size());
    // a guess: a vertex on at least two corners, and mostly one per position record
    size_t expected = records.corners.size() / 2;
    if (records.positions.size() < expected)
        expected = records.positions.size();
    out.vertices.reserve(expected);
    WeldGrid grid;
    reserveWeldGrid(grid, out.vertices, expected);
    CornerCache cache;

    for (const ObjCorner& corner : records.corners) {
        uint32_t vertex = findCachedCorner(cache, corner.position, corner.texCoord, corner.normal);
        if (vertex == cacheMiss) {
            Vertex v = cornerVertex(records, corner);
            vertex = findWeldMatch(grid, out.vertices, v);
            if (vertex == noVertex) {
                vertex = uint32_t(out.vertices.size());
                out.vertices.push_back(v);
                addToWeldGrid(grid, out.vertices, vertex);
            }
            cacheCorner(cache, corner.position, corner.texCoord, corner.normal, vertex);
        }
        out.indices.push_back(vertex);
    }
}
