#include "assets/objReader.h"
#include "assets/weld.h"
#include "support/linearWeld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

namespace {

// A randomised mesh built to stress the welding rule, kept as records and faces so that the
// same data can be written as OBJ text and welded by the reference.
struct StressMesh {
    std::vector<Vector3> positions, normals;
    std::vector<Vector2> texCoords;
    std::vector<int> faces;  // position, texture, normal index (0-based) per corner
};

// A coordinate near `base` at a distance that sits on or around the tolerance.
float nearValue(std::mt19937& rng, float base)
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

float baseValue(std::mt19937& rng)
{
    static const float bases[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 100.0f, 123456.0f, 3.0e7f, -1.0e20f, 7.62939453125e-06f,
                                  2.0f * tolerance, 4.0f * tolerance, 8.0f * tolerance, -8.0f * tolerance, 16.0f * tolerance};
    return bases[rng() % (sizeof(bases) / sizeof(bases[0]))];
}

StressMesh makeStressMesh(std::mt19937& rng, int records, int faceCount)
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
        set(n, 0.0f, nearValue(rng, 1.0f) * (rng() % 2 ? 1.0f : 0.0f), nearValue(rng, 0.0f));
        m.normals.push_back(n);
        m.texCoords.push_back(Vector2{nearValue(rng, 0.25f), rng() % 2 ? 0.0f : nearValue(rng, 0.0f)});
    }
    for (int f = 0; f < faceCount * 3; ++f) {
        m.faces.push_back(int(rng() % records));
        m.faces.push_back(int(rng() % records));
        m.faces.push_back(int(rng() % records));
    }
    return m;
}

std::string toObj(const StressMesh& m)
{
    std::string text;
    char line[160];
    for (const Vector3& p : m.positions) {
        snprintf(line, sizeof(line), "v %.9g %.9g %.9g\n", double(p.x), double(p.y), double(p.z));
        text += line;
    }
    for (const Vector2& t : m.texCoords) {
        snprintf(line, sizeof(line), "vt %.9g %.9g\n", double(t.x), double(t.y));
        text += line;
    }
    for (const Vector3& n : m.normals) {
        snprintf(line, sizeof(line), "vn %.9g %.9g %.9g\n", double(n.x), double(n.y), double(n.z));
        text += line;
    }
    for (size_t i = 0; i < m.faces.size(); i += 9) {
        snprintf(line, sizeof(line), "f %d/%d/%d %d/%d/%d %d/%d/%d\n", m.faces[i] + 1, m.faces[i + 1] + 1,
                 m.faces[i + 2] + 1, m.faces[i + 3] + 1, m.faces[i + 4] + 1, m.faces[i + 5] + 1, m.faces[i + 6] + 1,
                 m.faces[i + 7] + 1, m.faces[i + 8] + 1);
        text += line;
    }
    return text;
}

LinearWeld weldByReference(const StressMesh& m)
{
    LinearWeld weld;
    for (size_t i = 0; i < m.faces.size(); i += 9) {
        Vertex corners[3];
        for (int k = 0; k < 3; ++k) {
            corners[k].position = m.positions[size_t(m.faces[i + 3 * k])];
            corners[k].texCoord = m.texCoords[size_t(m.faces[i + 3 * k + 1])];
            corners[k].normal = m.normals[size_t(m.faces[i + 3 * k + 2])];
        }
        linearWeldFace(weld, corners);
    }
    return weld;
}

void expectSameBits(const std::vector<Vertex>& a, const std::vector<Vertex>& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(memcmp(&a[i], &b[i], sizeof(Vertex)), 0) << "vertex " << i;
}

} // namespace

TEST(Weld, MatchesLinearScanOnStressMeshes)
{
    std::mt19937 rng(20261207);
    for (int round = 0; round < 300; ++round) {
        StressMesh m = makeStressMesh(rng, 4 + int(rng() % 60), 1 + int(rng() % 80));
        std::string text = toObj(m);
        ObjMesh mesh;
        readObj(text.data(), text.size(), mesh);
        LinearWeld reference = weldByReference(m);
        ASSERT_EQ(mesh.indices, reference.indices) << "round " << round << "\n" << text;
        expectSameBits(mesh.vertices, reference.vertices);
    }
}

TEST(Weld, CandidatesStraddlingCellEdgesAreFound)
{
    // pairs exactly one tolerance apart placed across every offset within a cell
    std::vector<Vertex> vertices;
    WeldGrid grid;
    Vertex v = {};
    v.normal.z = 1.0f;
    for (int i = 0; i < 2000; ++i) {
        float x = float(i) * 0.37f * tolerance;
        v.position = {x, -x, 0.5f * x};
        vertices.push_back(v);
        addToWeldGrid(grid, vertices, uint32_t(vertices.size() - 1));
    }
    std::mt19937 rng(5);
    for (int i = 0; i < 20000; ++i) {
        Vertex probe = v;
        const Vertex& target = vertices[rng() % vertices.size()];
        probe.position = {nearValue(rng, target.position.x), nearValue(rng, target.position.y), nearValue(rng, target.position.z)};
        uint32_t expected = noVertex;
        for (size_t k = 0; k < vertices.size() && expected == noVertex; ++k)
            if (verticesMatch(vertices[k], probe))
                expected = uint32_t(k);
        ASSERT_EQ(findWeldMatch(grid, vertices, probe), expected) << i;
    }
}

TEST(Weld, EarliestOfSeveralCandidatesWins)
{
    // all five match the probe; the grid must report index 0 whatever the cell order
    std::vector<Vertex> vertices;
    WeldGrid grid;
    const float xs[] = {-tolerance, 0.0f, tolerance, -0.0f, 0.5f * tolerance};
    for (float x : xs) {
        Vertex v = {};
        v.position.x = x;
        vertices.push_back(v);
        addToWeldGrid(grid, vertices, uint32_t(vertices.size() - 1));
    }
    Vertex probe = {};
    EXPECT_EQ(findWeldMatch(grid, vertices, probe), 0u);
    probe.position.x = 1.5f * tolerance;  // within reach of 2, 4 only
    EXPECT_EQ(findWeldMatch(grid, vertices, probe), 2u);
    probe.position.x = 3.0f * tolerance;
    EXPECT_EQ(findWeldMatch(grid, vertices, probe), noVertex);
}

TEST(Weld, LargeCoordinatesWeldOnlyWhenEqual)
{
    std::vector<Vertex> vertices;
    WeldGrid grid;
    const float xs[] = {3.0e38f, -3.0e38f, 1.0e20f, std::nextafter(1.0e20f, 0.0f), 1.0e15f};
    for (float x : xs) {
        Vertex v = {};
        v.position = {x, x, -x};
        vertices.push_back(v);
        addToWeldGrid(grid, vertices, uint32_t(vertices.size() - 1));
    }
    for (uint32_t i = 0; i < vertices.size(); ++i)
        EXPECT_EQ(findWeldMatch(grid, vertices, vertices[i]), i);
}

TEST(CornerCache, FindsWhatWasCached)
{
    CornerCache cache;
    EXPECT_EQ(findCachedCorner(cache, 1, 2, 3), noVertex);
    for (uint32_t i = 0; i < 5000; ++i)
        cacheCorner(cache, i, i % 7 == 0 ? noVertex : i + 1, i * 3, i / 2);
    for (uint32_t i = 0; i < 5000; ++i)
        ASSERT_EQ(findCachedCorner(cache, i, i % 7 == 0 ? noVertex : i + 1, i * 3), i / 2);
    EXPECT_EQ(findCachedCorner(cache, 1, 2, 4), noVertex);
    EXPECT_EQ(findCachedCorner(cache, 7, 8, 21), noVertex);  // 7 was cached without a texture coordinate
}
