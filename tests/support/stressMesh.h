#pragma once
// A randomised OBJ model built to stress welding, smoothing, polygons and the reading in slices,
// kept as records and faces so that the same data can be written as OBJ text and worked out by
// the reference below (a literal scan of every face for every corner).

#include "core/mesh/vertex.h"

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

// A randomised mesh built to stress welding, smoothing and polygons, kept as records and faces so
// that the same data can be written as OBJ text and worked out by the reference below.
struct StressCorner {
    int position;  // 0-based, always valid
    int texCoord;  // as written in the file (1-based; 0 or past the records is out of range); -1: not written
    int normal;    // the same
};

struct StressFace {
    std::vector<StressCorner> corners;
    int group;     // smoothing: -1 before any s line, 0 off, N for s N
    int material;  // -1 before any usemtl line, N for usemtl mN
};

struct StressMesh {
    std::vector<Vector3> positions, normals;
    std::vector<Vector2> texCoords;
    std::vector<Vector3> colors;  // per position, when it has any
    std::vector<StressFace> faces;
};

// A coordinate near `base` at a distance that sits on or around the tolerance.
inline float nearValue(std::mt19937& rng, float base)
{
    const float t = tolerance;
    switch (rng() % 12) {
    case 0: return base;
    case 1: return base + t;
    case 2: return base - t;
    case 3: return std::nextafter(base + t, 1e30f);
    case 4: return std::nextafter(base - t, -1e30f);
    case 5: return base + 0.6f * t;  // chains: a~b and b~c, but not a~c
    case 6: return base + 1.2f * t;
    case 7: return base - 0.6f * t;
    case 8: return -base;
    case 9: return base * -0.0f;
    case 10: return base + float(rng() % 3) * 0.5f * t;
    default: return base + 2.0f * t;
    }
}

inline float baseValue(std::mt19937& rng)
{
    static const float bases[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 100.0f, 123456.0f, 3.0e7f, -1.0e20f, 7.62939453125e-06f,
                                  2.0f * tolerance, 4.0f * tolerance, 8.0f * tolerance, -8.0f * tolerance, 16.0f * tolerance,
                                  15.0f * tolerance, 45.0f * tolerance};
    return bases[rng() % (sizeof(bases) / sizeof(bases[0]))];
}

// An index into `count` records as a file would write it: mostly valid, sometimes out of range,
// sometimes not written at all.
inline int writtenIndex(std::mt19937& rng, int count, int absentPercent, int outOfRangePercent)
{
    int roll = int(rng() % 100);
    if (roll < absentPercent)
        return -1;
    if (roll < absentPercent + outOfRangePercent)
        return rng() % 2 ? 0 : count + 1 + int(rng() % 4);
    return 1 + int(rng() % count);
}

// With `groups` past 4, the smoothing group changes at every face, to one of that many.
inline StressMesh makeStressMesh(std::mt19937& rng, int records, int faceCount, bool polygons, bool partial, int groups = 4)
{
    StressMesh m;
    Vector3 anchor = {baseValue(rng), baseValue(rng), baseValue(rng)};
    for (int i = 0; i < records; ++i) {
        Vector3 p;
        if (rng() % 4 == 0)
            anchor = {baseValue(rng), baseValue(rng), baseValue(rng)};
        set(p, nearValue(rng, anchor.x), nearValue(rng, anchor.y), nearValue(rng, anchor.z));
        m.positions.push_back(p);
        Vector3 n;
        set(n, nearValue(rng, baseValue(rng)) * (rng() % 2 ? 1.0f : 0.0f), nearValue(rng, 1.0f), nearValue(rng, 0.0f));
        m.normals.push_back(n);
        m.texCoords.push_back(Vector2{nearValue(rng, 0.25f), rng() % 2 ? 0.0f : nearValue(rng, baseValue(rng))});
    }
    int group = -1;
    for (int f = 0; f < faceCount; ++f) {
        if (partial && (groups > 4 || rng() % 5 == 0))
            group = int(rng() % uint32_t(groups));
        StressFace face{{}, group, -1};
        int n = polygons ? 3 + int(rng() % 4) : 3;
        for (int k = 0; k < n; ++k) {
            StressCorner c;
            c.position = int(rng() % records);
            c.texCoord = partial ? writtenIndex(rng, records, 15, 15) : 1 + int(rng() % records);
            c.normal = partial ? writtenIndex(rng, records, 30, 15) : 1 + int(rng() % records);
            face.corners.push_back(c);
        }
        m.faces.push_back(face);
    }
    return m;
}

inline std::string cornerText(const StressCorner& c)
{
    std::string text = std::to_string(c.position + 1);
    if (c.texCoord >= 0 || c.normal >= 0)
        text += "/" + (c.texCoord >= 0 ? std::to_string(c.texCoord) : std::string());
    if (c.normal >= 0)
        text += "/" + std::to_string(c.normal);
    return text;
}

inline std::string toObj(const StressMesh& m)
{
    std::string text;
    char line[160];
    for (size_t i = 0; i < m.positions.size(); ++i) {
        const Vector3& p = m.positions[i];
        snprintf(line, sizeof(line), "v %.9g %.9g %.9g", double(p.x), double(p.y), double(p.z));
        text += line;
        if (!m.colors.empty()) {
            const Vector3& c = m.colors[i];
            snprintf(line, sizeof(line), " %.9g %.9g %.9g", double(c.x), double(c.y), double(c.z));
            text += line;
        }
        text += "\n";
    }
    for (const Vector2& t : m.texCoords) {
        snprintf(line, sizeof(line), "vt %.9g %.9g\n", double(t.x), double(t.y));
        text += line;
    }
    for (const Vector3& n : m.normals) {
        snprintf(line, sizeof(line), "vn %.9g %.9g %.9g\n", double(n.x), double(n.y), double(n.z));
        text += line;
    }
    int group = -1, material = -1;
    for (const StressFace& face : m.faces) {
        if (face.material != material)
            text += "usemtl m" + std::to_string(face.material) + "\n";
        material = face.material;
        if (face.group != group)
            text += face.group == 0 && text.size() % 2 ? "s off\n" : "s " + std::to_string(face.group) + "\n";
        group = face.group;
        text += "f";
        for (const StressCorner& c : face.corners)
            text += " " + cornerText(c);
        text += "\n";
    }
    return text;
}

// The reference: each polygon a fan (c0, ci, ci+1); an absent or out-of-range texture index
// (0, 0); an absent or out-of-range normal, in a faceted face the triangle's unit normal, else
// the normalised sum of the area vectors (the fan's cross products summed in order) of every
// face in the same group for each of its corners at the same position record without a normal,
// summed in face order, unless that sum cancels out: then the face's own unit area vector.
struct Sum {
    double x, y, z;
};

inline Sum crossOf(const StressMesh& m, const StressCorner& a, const StressCorner& b, const StressCorner& c)
{
    const Vector3 &p = m.positions[size_t(a.position)], &q = m.positions[size_t(b.position)],
                  &r = m.positions[size_t(c.position)];
    double ux = double(q.x) - p.x, uy = double(q.y) - p.y, uz = double(q.z) - p.z;
    double vx = double(r.x) - p.x, vy = double(r.y) - p.y, vz = double(r.z) - p.z;
    return Sum{uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
}

inline Sum areaOf(const StressMesh& m, const StressFace& face)
{
    const std::vector<StressCorner>& c = face.corners;
    Sum area = crossOf(m, c[0], c[1], c[2]);
    for (size_t i = 2; i + 1 < c.size(); ++i) {
        Sum s = crossOf(m, c[0], c[i], c[i + 1]);
        area = Sum{area.x + s.x, area.y + s.y, area.z + s.z};
    }
    return area;
}

inline Vector3 unit(const Sum& s)
{
    double length = std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z);
    if (!(length > 0.0))
        return Vector3{0.0f, 0.0f, 0.0f};
    return Vector3{float(s.x / length), float(s.y / length), float(s.z / length)};
}

inline std::vector<Vertex> referenceCorners(const StressMesh& m)
{
    int texCoords = int(m.texCoords.size()), normals = int(m.normals.size());
    auto hasNormal = [&](const StressCorner& c) { return c.normal >= 1 && c.normal <= normals; };
    std::vector<Vertex> corners;
    for (const StressFace& face : m.faces) {
        const std::vector<StressCorner>& fc = face.corners;
        for (size_t i = 1; i + 1 < fc.size(); ++i)
            for (size_t k : {size_t(0), i, i + 1}) {
                const StressCorner& c = fc[k];
                Vertex v;
                v.position = m.positions[size_t(c.position)];
                bool hasTexCoord = c.texCoord >= 1 && c.texCoord <= texCoords;
                v.texCoord = hasTexCoord ? m.texCoords[size_t(c.texCoord - 1)] : Vector2{0.0f, 0.0f};
                if (hasNormal(c)) {
                    v.normal = m.normals[size_t(c.normal - 1)];
                } else if (face.group == 0) {
                    v.normal = unit(crossOf(m, fc[0], fc[i], fc[i + 1]));
                } else {
                    Sum sum = {0.0, 0.0, 0.0};
                    double lengths = 0.0;
                    for (const StressFace& other : m.faces)
                        for (const StressCorner& o : other.corners)
                            if (other.group == face.group && !hasNormal(o) && o.position == c.position) {
                                Sum s = areaOf(m, other);
                                sum = Sum{sum.x + s.x, sum.y + s.y, sum.z + s.z};
                                lengths += std::fabs(s.x) + std::fabs(s.y) + std::fabs(s.z);
                            }
                    bool cancelled = !(std::sqrt(sum.x * sum.x + sum.y * sum.y + sum.z * sum.z) > 1e-6 * lengths);
                    v.normal = unit(cancelled ? areaOf(m, face) : sum);
                }
                corners.push_back(v);
            }
    }
    return corners;
}
