#include "core/mesh/smoothing.h"

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

// The sums of one position record, one per smoothing group that uses it, chained.
struct GroupSum {
    Sum sum;
    double weight;  // the sum of the absolute components of what was added
    uint64_t group;
    uint32_t next;
};

struct SmoothSums {
    std::vector<uint32_t> head;  // per position record: its first GroupSum, or noRecord
    std::vector<GroupSum> sums;
};

uint32_t sumOf(SmoothSums& s, uint32_t position, uint64_t group)
{
    uint32_t* link = &s.head[position];
    for (; *link != noRecord; link = &s.sums[*link].next)
        if (s.sums[*link].group == group)
            return *link;
    uint32_t added = uint32_t(s.sums.size());
    *link = added;  // before the push, which may move the chain's storage
    s.sums.push_back(GroupSum{Sum{0.0, 0.0, 0.0}, 0.0, group, noRecord});
    return added;
}

// A smoothed normal shorter than this share of the absolute components summed into it has
// cancelled out.
const double cancellation = 1e-6;

double lengthOf(const Sum& n)
{
    return std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
}

// Sums the smoothed corners' triangles per (position, group), and points each such corner at the
// normal its sum becomes: base + the sum's number. Returns, per sum, whether it cancelled out
// (twin faces facing both ways, as double-sided models have); `leftOver` tells whether any corner
// still needs its triangle's normal: a faceted one, or one whose sum cancelled out.
std::vector<bool> smoothCorners(ObjRecords& records, uint32_t base, bool& leftOver)
{
    leftOver = false;
    SmoothSums s;
    s.head.assign(records.positions.size(), noRecord);
    s.sums.reserve(records.positions.size());  // mostly one group a position
    size_t run = 0;
    for (size_t t = 0; 3 * t < records.corners.size(); ++t) {
        while (run + 1 < records.groups.size() && records.groups[run + 1].firstTriangle <= t)
            ++run;
        uint64_t group = records.groups[run].group;
        ObjCorner* triangle = &records.corners[3 * t];
        if (!lacksNormal(triangle, 3))
            continue;
        if (group == facetedGroup) {
            leftOver = true;
            continue;
        }
        Sum cross = crossOfEdges(records.positions[triangle[0].position], records.positions[triangle[1].position],
                                 records.positions[triangle[2].position]);
        double weight = std::fabs(cross.x) + std::fabs(cross.y) + std::fabs(cross.z);
        for (int k = 0; k < 3; ++k) {
            if (triangle[k].normal != noRecord)
                continue;  // from the file
            uint32_t i = sumOf(s, triangle[k].position, group);
            GroupSum& g = s.sums[i];
            g.sum.x += cross.x;
            g.sum.y += cross.y;
            g.sum.z += cross.z;
            g.weight += weight;
            triangle[k].normal = base + i;
        }
    }
    s.head = std::vector<uint32_t>();

    std::vector<bool> cancelled(s.sums.size());
    records.normals.reserve(records.normals.size() + s.sums.size());
    for (size_t i = 0; i < s.sums.size(); ++i) {
        cancelled[i] = !(lengthOf(s.sums[i].sum) > cancellation * s.sums[i].weight);
        leftOver = leftOver || cancelled[i];
        records.normals.push_back(unitOf(s.sums[i].sum));
    }
    return cancelled;
}

} // namespace

Vector3 faceNormal(const Vector3& a, const Vector3& b, const Vector3& c)
{
    return unitOf(crossOfEdges(a, b, c));
}

void fillMissingNormals(ObjRecords& records)
{
    bool anyMissing = false;
    for (const ObjCorner& corner : records.corners)
        anyMissing = anyMissing || corner.normal == noRecord;
    if (!anyMissing)
        return;

    uint32_t base = uint32_t(records.normals.size());
    bool leftOver;
    std::vector<bool> cancelled = smoothCorners(records, base, leftOver);
    if (!leftOver)
        return;
    // faceted triangles, and smoothed corners whose sum cancelled out: the triangle's own normal
    for (size_t t = 0; 3 * t < records.corners.size(); ++t) {
        ObjCorner* triangle = &records.corners[3 * t];
        for (int k = 0; k < 3; ++k)
            if (triangle[k].normal != noRecord && triangle[k].normal >= base && cancelled[triangle[k].normal - base])
                triangle[k].normal = noRecord;
        if (!lacksNormal(triangle, 3))
            continue;
        uint32_t normal = uint32_t(records.normals.size());
        records.normals.push_back(faceNormal(records.positions[triangle[0].position],
                                             records.positions[triangle[1].position],
                                             records.positions[triangle[2].position]));
        for (int k = 0; k < 3; ++k)
            if (triangle[k].normal == noRecord)
                triangle[k].normal = normal;
    }
}
