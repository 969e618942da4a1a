#include "core/mesh/flatWeld.h"
#include "core/mesh/smoothing.h"
#include "support/linearWeld.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// Facets as the STL files of machined parts and scans have them, mixed: planes of quads sharing
// their corners, curved strips (no two facets in one plane), twins (a facet's normal again far
// away), degenerate facets, facets moved by about a tolerance (corners and normals on both sides
// of the weld's reach and of its cells' edges), and fans around one corner.
std::vector<Vector3> mixedFacets(std::mt19937& rng, int pieces)
{
    std::vector<Vector3> facets;
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    auto jitter = [&](float value) {
        const float steps[] = {0.0f, 0.5e-5f, 0.99e-5f, 1.0e-5f, 1.01e-5f, 2e-5f, 1.5e-4f};
        float step = steps[rng() % 7];
        return rng() % 2 ? value + step : value - step;
    };
    auto facet = [&](Vector3 a, Vector3 b, Vector3 c) {
        facets.push_back(a);
        facets.push_back(b);
        facets.push_back(c);
    };
    for (int piece = 0; piece < pieces; ++piece) {
        size_t existing = facets.size() / 3;
        switch (rng() % 7) {
        case 0: {  // a plane of quads, axis-aligned or not, its facets wound either way
            Vector3 origin = {unit(rng) * 10, unit(rng) * 10, unit(rng) * 10};
            Vector3 u = {1.0f, 0.0f, 0.0f}, v = {0.0f, 1.0f, 0.0f};
            if (rng() % 2) {
                u = Vector3{unit(rng), unit(rng), unit(rng)};
                v = Vector3{-u.y, u.x, unit(rng) * 0.0f};
            }
            int n = 1 + int(rng() % 4), m = 1 + int(rng() % 4);
            bool flipped = rng() % 3 == 0;
            auto at = [&](int i, int j) {
                return Vector3{origin.x + u.x * i + v.x * j, origin.y + u.y * i + v.y * j,
                               origin.z + u.z * i + v.z * j};
            };
            for (int i = 0; i < n; ++i)
                for (int j = 0; j < m; ++j) {
                    if (flipped) {
                        facet(at(i, j), at(i + 1, j + 1), at(i + 1, j));
                        facet(at(i, j), at(i, j + 1), at(i + 1, j + 1));
                    } else {
                        facet(at(i, j), at(i + 1, j), at(i + 1, j + 1));
                        facet(at(i, j), at(i + 1, j + 1), at(i, j + 1));
                    }
                }
            break;
        }
        case 1: {  // a curved strip
            float radius = 1.0f + unit(rng) * 0.5f, z = unit(rng) * 5;
            int steps = 2 + int(rng() % 10);
            for (int i = 0; i < steps; ++i) {
                float a0 = 0.3f * i, a1 = 0.3f * (i + 1);
                Vector3 p0 = {radius * std::cos(a0), radius * std::sin(a0), z};
                Vector3 p1 = {radius * std::cos(a1), radius * std::sin(a1), z};
                Vector3 q0 = {p0.x, p0.y, z + 1}, q1 = {p1.x, p1.y, z + 1};
                facet(p0, p1, q1);
                facet(p0, q1, q0);
            }
            break;
        }
        case 2:  // twins: an earlier facet moved far, or not at all, or by a tolerance or so
            for (int k = int(rng() % 4); k >= 0 && existing > 0; --k) {
                size_t f = rng() % existing;
                float shift = rng() % 3 == 0 ? 0.0f : rng() % 2 ? 100.0f : 0.0f;
                Vector3 c[3];
                for (int i = 0; i < 3; ++i) {
                    c[i] = facets[3 * f + i];
                    c[i].x += shift;
                    if (shift == 0.0f && rng() % 2)
                        c[i].y = jitter(c[i].y);
                }
                facet(c[0], c[1], c[2]);
            }
            break;
        case 3: {  // degenerate: corners together, or within a tolerance, or in a line
            Vector3 p = {unit(rng), unit(rng), unit(rng)};
            Vector3 q = {jitter(p.x), p.y, jitter(p.z)};
            Vector3 r = {p.x + 1, p.y + 1, p.z + 1};
            Vector3 s = {p.x + 2, p.y + 2, p.z + 2};
            facet(p, p, p);
            facet(p, q, r);
            facet(p, r, s);
            facet(q, p, p);
            break;
        }
        case 4: {  // a fan around one corner, long enough to crowd its normal's cell now and then
            Vector3 hub = {unit(rng) * 3, unit(rng) * 3, 0.0f};
            int spokes = 3 + int(rng() % 40);
            bool flat = rng() % 2;
            for (int i = 0; i < spokes; ++i) {
                float a0 = 0.1f * i, a1 = 0.1f * (i + 1);
                float h = flat ? 0.0f : 0.5f;
                facet(hub, Vector3{hub.x + std::cos(a0), hub.y + std::sin(a0), h},
                      Vector3{hub.x + std::cos(a1), hub.y + std::sin(a1), h});
            }
            break;
        }
        case 5: {  // corners on the edges of the weld grid's cells (30 tolerances wide)
            const float cell = 30.0f * 1e-5f;
            float base = float(int(rng() % 20)) * cell + (rng() % 2 ? 0.5f * cell : 0.0f);
            Vector3 p = {base, jitter(base), 0.0f}, q = {jitter(base), base + 1, 0.0f}, r = {base + 1, base, 0.0f};
            facet(p, q, r);
            facet(Vector3{jitter(p.x), p.y, p.z}, r, q);
            facet(p, r, Vector3{q.x, q.y, jitter(0.0f)});
            break;
        }
        default: {  // a facet tilted by a little: its normal about a tolerance from the first's
            Vector3 a = {unit(rng) * 4, unit(rng) * 4, unit(rng) * 4};
            Vector3 b = {a.x + 1, a.y, a.z}, c = {a.x, a.y + 1, a.z};
            facet(a, b, c);
            facet(a, b, Vector3{c.x, c.y, jitter(c.z)});
            facet(a, Vector3{b.x, b.y, jitter(b.z)}, Vector3{c.x, c.y, jitter(c.z)});
            break;
        }
        }
    }
    return facets;
}

// The flat welding of the facets, handed over in parts of random sizes.
WeldedMesh flatWelded(const std::vector<Vector3>& facets, std::mt19937& rng)
{
    FlatWelding welding;
    startFlatWelding(welding, facets.size() / 6);
    size_t count = facets.size() / 3;
    for (size_t done = 0; done < count;) {
        size_t part = 1 + rng() % 50;
        if (part > count - done)
            part = count - done;
        weldFlatTriangles(welding, facets.data() + 3 * done, part);
        done += part;
    }
    return finishFlatWelding(welding);
}

void expectSameWeld(const WeldedMesh& flat, const std::vector<Vertex>& vertices, const std::vector<uint32_t>& indices,
                    const std::string& context)
{
    ASSERT_EQ(flat.indices, indices) << context;
    ASSERT_EQ(flat.vertices.size(), vertices.size()) << context;
    ASSERT_EQ(memcmp(flat.vertices.data(), vertices.data(), vertices.size() * sizeof(Vertex)), 0) << context;
    EXPECT_TRUE(flat.colors.empty());
}

} // namespace

TEST(FlatWeld, IsTheLinearScanOfFacetsShadedFlat)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 150; ++round) {
        std::vector<Vector3> facets = mixedFacets(rng, 1 + int(rng() % 12));
        std::vector<Vertex> corners;
        for (size_t i = 0; i < facets.size(); ++i) {
            size_t first = i - i % 3;
            Vector3 normal = faceNormal(facets[first], facets[first + 1], facets[first + 2]);
            corners.push_back(Vertex{facets[i], {0.0f, 0.0f}, normal});
        }
        LinearWeld reference = linearWeld(corners);
        expectSameWeld(flatWelded(facets, rng), reference.vertices, reference.indices, "round " + std::to_string(round));
    }
}

TEST(FlatWeld, IsWeldTrianglesOnLargeMixes)
{
    std::mt19937 rng(12);
    for (int round = 0; round < 6; ++round) {
        TriangleList list;
        list.positions = mixedFacets(rng, 400 + int(rng() % 800));
        WeldedMesh expected;
        weldTriangles(list, expected);
        expectSameWeld(flatWelded(list.positions, rng), expected.vertices, expected.indices,
                       "round " + std::to_string(round));
    }
}
