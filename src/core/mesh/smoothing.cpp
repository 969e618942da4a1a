#include "core/mesh/smoothing.h"

#include "core/mesh/groupSums.h"
#include "core/mesh/workLooks.h"

#include <cmath>

namespace {

struct Sum {
    double x, y, z;
};

// The unnormalised normal of a triangle: twice its area, pointing out of its front.
Sum crossOfEdges(const Vector3& a, const Vector3& b, const Vector3& c)
{
    double ux = double(b.x) - a.x, uy = double(b.y) - a.y, uz = double(b.z) - a.z;
    double vx = double(c.x) - a.x, vy = double(c.y) - a.y, vz = double(c.z) - a.z;
    return Sum{uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
}

Vector3 unitOf(const Sum& n)
{
    double length = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    Vector3 unit = {0.0f, 0.0f, 0.0f};
    if (length > 0.0 && std::isfinite(length))
        set(unit, float(n.x / length), float(n.y / length), float(n.z / length));
    return unit;
}

// The number of triangles of the polygon whose fan starts at triangle t: 1 for a triangle. `next`
// is the first polygon run not before t, and is moved past this polygon's.
inline uint32_t fanLength(const ObjRecords& records, size_t& next, size_t t)
{
    if (next < records.polygons.size() && records.polygons[next].firstTriangle == t)
        return records.polygons[next++].triangles;
    return 1;
}

// The smoothing group of triangle t; `run` is that of an earlier triangle, and is moved to t's.
inline uint64_t groupAt(const ObjRecords& records, size_t& run, size_t t)
{
    while (run + 1 < records.groups.size() && records.groups[run + 1].firstTriangle <= t)
        ++run;
    return records.groups[run].group;
}

inline Sum triangleCross(const ObjRecords& records, const ObjCorner* triangle)
{
    return crossOfEdges(records.positions[triangle[0].position], records.positions[triangle[1].position],
                        records.positions[triangle[2].position]);
}

// A polygon's area vector, twice its area along its normal: its fan's cross products summed in
// order in double (for a triangle, exactly its cross product). Whichever corner the fan starts
// from, a polygon's twin facing the other way gets the opposite, but for rounding. Looks at
// whether to go on every stepsBetweenLooks triangles of a long fan; false when told to stop.
inline bool areaOf(const ObjRecords& records, const ObjCorner* fan, uint32_t triangles, Sum& area, WorkLooks* looks)
{
    area = triangleCross(records, fan);
    for (uint32_t j = 1; j < triangles; ++j) {
        if (j % stepsBetweenLooks == 0 && !countSteps(looks, stepsBetweenLooks))
            return false;
        Sum cross = triangleCross(records, fan + 3 * j);
        area.x += cross.x;
        area.y += cross.y;
        area.z += cross.z;
    }
    return true;
}

// Corner i of the polygon whose fan starts at `fan`: the first triangle's first two corners, then
// the third corner of each triangle.
ObjCorner& polygonCorner(ObjCorner* fan, uint32_t i)
{
    return i < 2 ? fan[i] : fan[3 * (i - 2) + 2];
}

// Gives the fan's copies of the polygon's corners the normals of the corners they copy.
void copyFanNormals(ObjCorner* fan, uint32_t triangles)
{
    for (uint32_t j = 1; j < triangles; ++j) {
        fan[3 * j].normal = fan[0].normal;
        fan[3 * j + 1].normal = fan[3 * j - 1].normal;
    }
}

// A smoothed normal shorter than this share of the absolute components summed into it has
// cancelled out.
const double cancellation = 1e-6;

double lengthOf(const Sum& n)
{
    return std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
}

void markSmoothed(std::vector<uint64_t>& smoothed, size_t corner)
{
    if (smoothed.size() <= corner / 64)
        smoothed.resize(corner / 64 + 1, 0);
    smoothed[corner / 64] |= uint64_t(1) << (corner % 64);
}

// Each corner of the polygon whose fan starts at `fan` (corner `first` of the kept faces) that
// lacks a normal: marked as smoothed, for its sum's number to become a record number later.
void markLacking(std::vector<uint64_t>& smoothed, const ObjCorner* fan, size_t first, size_t corners)
{
    for (size_t k = 0; k < corners; ++k)
        if (fan[k].normal == noRecord)
            markSmoothed(smoothed, first + k);
}

// Points the marked corners at the normal their sum becomes, base + the sum's number; false when
// told to stop.
bool numberSmoothedNormals(const std::vector<uint64_t>& smoothed, ObjRecords& records, uint32_t base,
                           WorkLooks* looks)
{
    for (size_t word = 0; word < smoothed.size(); ++word) {
        if (!countSteps(looks, 64))
            return false;
        for (uint64_t bits = smoothed[word]; bits != 0; bits &= bits - 1)
            records.corners[64 * word + size_t(__builtin_ctzll(bits))].normal += base;
    }
    return true;
}

// Appends the normal of each sum to records.normals, in order. Returns, per sum, whether it
// cancelled out (twin faces facing both ways, as double-sided models have).
std::vector<bool> appendSmoothedNormals(const GroupSums& s, ObjRecords& records)
{
    std::vector<bool> cancelled(s.sums.size());
    records.normals.reserve(records.normals.size() + s.sums.size());
    for (size_t i = 0; i < s.sums.size(); ++i) {
        Sum sum = {s.sums[i].x, s.sums[i].y, s.sums[i].z};
        cancelled[i] = !(lengthOf(sum) > cancellation * s.sums[i].weight);
        records.normals.push_back(unitOf(sum));
    }
    return cancelled;
}

} // namespace

Vector3 faceNormal(const Vector3& a, const Vector3& b, const Vector3& c)
{
    return unitOf(crossOfEdges(a, b, c));
}

bool addToSmoothing(Smoothing& smoothing, ObjRecords& records, WorkLooks* looks)
{
    GroupSums& s = smoothing.sums;
    size_t positions = records.positions.size();
    if (s.head.size() < positions)
        s.head.resize(positions, noRecord);
    if (s.sums.capacity() < positions)  // mostly one group a position
        s.sums.reserve(positions > 2 * s.sums.capacity() ? positions : 2 * s.sums.capacity());
    size_t t = smoothing.triangles;
    for (size_t triangles; 3 * t < records.corners.size(); t += triangles) {
        triangles = fanLength(records, smoothing.next, t);
        uint64_t group = groupAt(records, smoothing.run, t);
        ObjCorner* fan = &records.corners[3 * t];
        if (!countSteps(looks, triangles))
            return false;
        if (!lacksNormal(fan, 3 * triangles))
            continue;
        if (group == facetedGroup) {
            smoothing.leftOver = true;
            continue;
        }
        markLacking(smoothing.smoothed, fan, 3 * t, 3 * triangles);
        Sum area;
        if (!areaOf(records, fan, uint32_t(triangles), area, looks))
            return false;
        double weight = std::fabs(area.x) + std::fabs(area.y) + std::fabs(area.z);
        for (uint32_t k = 0; k < triangles + 2; ++k) {
            if (k % stepsBetweenLooks == stepsBetweenLooks - 1 && !countSteps(looks, stepsBetweenLooks))
                return false;
            ObjCorner& corner = polygonCorner(fan, k);
            if (corner.normal != noRecord)
                continue;  // from the file
            uint32_t i = groupSumOf(s, corner.position, group);
            GroupSum& g = s.sums[i];
            g.x += area.x;
            g.y += area.y;
            g.z += area.z;
            g.weight += weight;
            corner.normal = i;  // numbered as a record by finishSmoothing
        }
        copyFanNormals(fan, uint32_t(triangles));
    }
    smoothing.triangles = t;
    return true;
}

bool finishSmoothing(Smoothing& smoothing, ObjRecords& records, WorkLooks* looks)
{
    if (!addToSmoothing(smoothing, records, looks))
        return false;
    uint32_t base = uint32_t(records.normals.size());
    if (!numberSmoothedNormals(smoothing.smoothed, records, base, looks))
        return false;
    GroupSums& s = smoothing.sums;
    s.head = std::vector<uint32_t>();
    s.unchained = std::vector<uint32_t>();
    smoothing.smoothed = std::vector<uint64_t>();
    std::vector<bool> cancelled = appendSmoothedNormals(s, records);
    bool leftOver = smoothing.leftOver;
    for (size_t i = 0; i < cancelled.size(); ++i)
        leftOver = leftOver || cancelled[i];
    smoothing = Smoothing();
    if (!leftOver)
        return true;
    // faceted triangles take their own normal, smoothed corners whose sum cancelled out their
    // polygon's (for a triangle, the same)
    size_t run = 0, next = 0;
    for (size_t t = 0, triangles; 3 * t < records.corners.size(); t += triangles) {
        triangles = fanLength(records, next, t);
        if (!countSteps(looks, triangles))
            return false;
        bool faceted = groupAt(records, run, t) == facetedGroup;
        ObjCorner* fan = &records.corners[3 * t];
        for (size_t k = 0; k < 3 * triangles; ++k)
            if (fan[k].normal != noRecord && fan[k].normal >= base && cancelled[fan[k].normal - base])
                fan[k].normal = noRecord;
        for (size_t j = 0; j < triangles; j += faceted ? 1 : triangles) {
            ObjCorner* face = fan + 3 * j;
            size_t corners = faceted ? 3 : 3 * triangles;
            if (!lacksNormal(face, corners))
                continue;
            uint32_t normal = uint32_t(records.normals.size());
            Sum area = triangleCross(records, face);
            if (!faceted && !areaOf(records, face, uint32_t(triangles), area, looks))
                return false;
            records.normals.push_back(unitOf(area));
            for (size_t k = 0; k < corners; ++k)
                if (face[k].normal == noRecord)
                    face[k].normal = normal;
        }
    }
    return true;
}

void fillMissingNormals(ObjRecords& records)
{
    Smoothing smoothing;
    finishSmoothing(smoothing, records, nullptr);
}

namespace {

// Corner i of the polygon whose fan of vertex numbers starts at `fan`, as polygonCorner.
uint32_t& fanCorner(uint32_t* fan, uint32_t i)
{
    return i < 2 ? fan[i] : fan[3 * (i - 2) + 2];
}

// A polygon's area vector, as areaOf, of indexed vertices.
Sum indexedAreaOf(const std::vector<Vertex>& vertices, const uint32_t* fan, uint32_t triangles)
{
    Sum area = {0.0, 0.0, 0.0};
    for (uint32_t j = 0; j < triangles; ++j) {
        const uint32_t* t = fan + 3 * j;
        Sum cross = crossOfEdges(vertices[t[0]].position, vertices[t[1]].position, vertices[t[2]].position);
        if (j == 0) {
            area = cross;
            continue;
        }
        area.x += cross.x;
        area.y += cross.y;
        area.z += cross.z;
    }
    return area;
}

// The triangles of the polygon whose fan starts at triangle t: 1 for a triangle. `next` is the
// first run not before t, and is moved past this polygon's.
uint32_t indexedFanLength(const std::vector<PolygonRun>& polygons, size_t& next, size_t t)
{
    if (next < polygons.size() && polygons[next].firstTriangle == t)
        return polygons[next++].triangles;
    return 1;
}

} // namespace

void smoothIndexedNormals(std::vector<Vertex>& vertices, std::vector<Vector3>& colors, std::vector<uint32_t>& corners,
                          const std::vector<PolygonRun>& polygons)
{
    struct VertexSum {
        double x, y, z;
        double weight;  // negative once the sum is found to cancel out
    };
    std::vector<VertexSum> sums(vertices.size(), VertexSum{0.0, 0.0, 0.0, 0.0});
    size_t triangles = corners.size() / 3;
    size_t next = 0;
    for (size_t t = 0, n; t < triangles; t += n) {
        n = indexedFanLength(polygons, next, t);
        uint32_t* fan = &corners[3 * t];
        Sum area = indexedAreaOf(vertices, fan, uint32_t(n));
        double weight = std::fabs(area.x) + std::fabs(area.y) + std::fabs(area.z);
        for (uint32_t k = 0; k < n + 2; ++k) {
            VertexSum& sum = sums[fanCorner(fan, k)];
            sum.x += area.x;
            sum.y += area.y;
            sum.z += area.z;
            sum.weight += weight;
        }
    }
    bool cancelledAny = false;
    for (size_t v = 0; v < vertices.size(); ++v) {
        Sum sum = {sums[v].x, sums[v].y, sums[v].z};
        vertices[v].normal = unitOf(sum);
        if (!(lengthOf(sum) > cancellation * sums[v].weight)) {
            sums[v].weight = -1.0;
            cancelledAny = true;  // or a vertex no face uses, which no corner then asks for
        }
    }
    if (!cancelledAny)
        return;
    // each polygon at a cancelled vertex: a vertex of its own there, with the polygon's normal
    next = 0;
    for (size_t t = 0, n; t < triangles; t += n) {
        n = indexedFanLength(polygons, next, t);
        uint32_t* fan = &corners[3 * t];
        bool touches = false;
        for (uint32_t k = 0; k < n + 2 && !touches; ++k)
            touches = sums[fanCorner(fan, k)].weight < 0.0;
        if (!touches)
            continue;
        Vector3 normal = unitOf(indexedAreaOf(vertices, fan, uint32_t(n)));
        for (uint32_t k = 0; k < n + 2; ++k) {
            uint32_t& corner = fanCorner(fan, k);
            if (corner >= sums.size() || sums[corner].weight >= 0.0)
                continue;  // smoothed, or a vertex of its own already
            Vertex own = vertices[corner];
            own.normal = normal;
            if (!colors.empty()) {
                Vector3 color = colors[corner];
                colors.push_back(color);
            }
            corner = uint32_t(vertices.size());
            vertices.push_back(own);
        }
        for (uint32_t j = 1; j < n; ++j) {  // the fan's copies of its corners
            fan[3 * j] = fan[0];
            fan[3 * j + 1] = fan[3 * j - 1];
        }
    }
}
