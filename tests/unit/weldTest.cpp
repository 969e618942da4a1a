#include "core/mesh/cornerCache.h"
#include "core/mesh/objParse.h"
#include "core/mesh/objMesh.h"
#include "core/mesh/objSlices.h"
#include "core/mesh/smoothing.h"
#include "core/mesh/weld.h"
#include "core/mesh/weldGrid.h"
#include "core/mesh/weldTwoParts.h"
#include "support/linearWeld.h"
#include "support/stressMesh.h"
#include "support/sameReading.h"
#include "support/weldRecords.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

void expectSameBits(const std::vector<Vertex>& a, const std::vector<Vertex>& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(memcmp(&a[i], &b[i], sizeof(Vertex)), 0) << "vertex " << i;
}

// The records of the mesh's text, their missing normals smoothed, and its corners welded one by one.
void readAndWeldCornerByCorner(const StressMesh& m, ObjRecords& records, WeldedMesh& each)
{
    std::string text = toObj(m);
    readObjRecords(text.data(), text.size(), records);
    fillMissingNormals(records);
    weldAllCorners(records, each);
}

// Reads the text and compares it with the linear scan over the reference's corners.
void expectReferenceResult(const StressMesh& m, const std::string& context)
{
    std::string text = toObj(m);
    ObjMesh mesh;
    readObjText(text.data(), text.size(), mesh);
    LinearWeld reference = linearWeld(referenceCorners(m));
    ASSERT_EQ(mesh.mesh.indices.size(), reference.indices.size()) << context << "\n" << text;
    for (size_t i = 0; i < reference.indices.size(); ++i)
        ASSERT_EQ(mesh.mesh.indices[i], reference.indices[i]) << context << ", corner " << i << "\n" << text;
    expectSameBits(mesh.mesh.vertices, reference.vertices);
    EXPECT_EQ(mesh.problems[ProblemKind::invalidFaces].count, 0u);
}

uint32_t search(const WeldGrid& grid, const std::vector<Vertex>& vertices, const Vertex& v)
{
    WeldSearch search;
    prepareWeldSearch(v, search);
    return findWeldMatch(grid, vertices, v, search);
}

// Adds the last vertex to the grid.
void add(WeldGrid& grid, const std::vector<Vertex>& vertices)
{
    addToWeldGrid(grid, vertices, uint32_t(vertices.size() - 1), weldCellKey(vertices.back()));
}

// The longest chain a search may walk in the cells: a crowded cell's is not walked.
size_t longestChain(const std::vector<WeldCell>& cells, const std::vector<uint32_t>& next)
{
    size_t longest = 0;
    for (const WeldCell& cell : cells) {
        size_t length = 0;
        if (cell.size != crowdedCell)
            for (uint32_t i = cell.head; i != noVertex; i = next[i])
                ++length;
        longest = std::max(longest, length);
    }
    return longest;
}

} // namespace

TEST(Weld, ColorsAndMaterialsKeepTheLinearScansWeldAndEachTrianglesMaterial)
{
    std::mt19937 rng(19);
    for (int round = 0; round < 200; ++round) {
        StressMesh m = makeStressMesh(rng, 4 + int(rng() % 40), 1 + int(rng() % 50), true, false);
        // colours as crowded as the positions: near each other, on and around the tolerance
        for (size_t i = 0; i < m.positions.size(); ++i)
            m.colors.push_back(Vector3{nearValue(rng, 0.5f), nearValue(rng, 0.25f), 1.0f});
        int materials = 1 + int(rng() % 4);
        for (StressFace& face : m.faces)
            face.material = &face == &m.faces[0] || rng() % 3 == 0 ? int(rng() % uint32_t(materials)) : (&face)[-1].material;
        std::string text = toObj(m), context = "round " + std::to_string(round) + "\n" + text;
        ObjMesh mesh;
        readObjText(text.data(), text.size(), mesh);

        // the reference: a linear scan over (vertex, colour); then each triangle with its material
        std::vector<Vector3> cornerColors;
        std::vector<int> triangleMaterials;
        for (const StressFace& face : m.faces)
            for (size_t t = 0; t + 2 < face.corners.size(); ++t) {
                for (size_t k : {size_t(0), t + 1, t + 2})
                    cornerColors.push_back(m.colors[size_t(face.corners[k].position)]);
                triangleMaterials.push_back(face.material);
            }
        LinearWeld reference = linearWeld(referenceCorners(m), &cornerColors);
        std::vector<Vertex>& vertices = reference.vertices;
        std::vector<Vector3>& colors = reference.colors;
        std::vector<std::pair<int, std::vector<uint32_t>>> triangles;  // (material, its 3 welded vertices)
        for (size_t t = 0; t < triangleMaterials.size(); ++t)
            triangles.push_back({triangleMaterials[t], {reference.indices.begin() + long(3 * t),
                                                        reference.indices.begin() + long(3 * t + 3)}});
        // drawn by material, the materials in the order of their first use, each in file order
        std::vector<int> firstUse;
        for (const auto& triangle : triangles)
            if (std::find(firstUse.begin(), firstUse.end(), triangle.first) == firstUse.end())
                firstUse.push_back(triangle.first);
        auto rank = [&](int material) { return std::find(firstUse.begin(), firstUse.end(), material) - firstUse.begin(); };
        std::stable_sort(triangles.begin(), triangles.end(),
                         [&](const auto& a, const auto& b) { return rank(a.first) < rank(b.first); });
        ASSERT_EQ(mesh.mesh.batches.size(), 1u) << context;
        expectSameBits(mesh.mesh.vertices, vertices);
        ASSERT_EQ(mesh.mesh.colors.size(), colors.size()) << context;
        ASSERT_EQ(memcmp(mesh.mesh.colors.data(), colors.data(), colors.size() * sizeof(Vector3)), 0) << context;
        size_t drawn = 0;
        for (const MeshRange& range : mesh.mesh.ranges)
            for (uint32_t i = range.firstIndex; i < range.firstIndex + range.indexCount; i += 3, ++drawn) {
                ASSERT_EQ(mesh.mesh.materials[range.material].name, "m" + std::to_string(triangles[drawn].first)) << context;
                for (int k = 0; k < 3; ++k)
                    ASSERT_EQ(mesh.mesh.indices[i + uint32_t(k)], triangles[drawn].second[size_t(k)]) << context;
            }
        EXPECT_EQ(drawn, triangles.size()) << context;
    }
}

TEST(Weld, MatchesLinearScanOnStressMeshes)
{
    std::mt19937 rng(20261207);
    for (int round = 0; round < 300; ++round)
        expectReferenceResult(makeStressMesh(rng, 4 + int(rng() % 60), 1 + int(rng() % 80), false, false),
                              "round " + std::to_string(round));
}

TEST(Weld, MatchesReferenceOnPolygonsSmoothingGroupsAndMissingIndices)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        StressMesh m = makeStressMesh(rng, 4 + int(rng() % 40), 1 + int(rng() % 50), true, true);
        expectReferenceResult(m, "round " + std::to_string(round));
    }
    // few positions in many groups each, past the chain of sums a position keeps
    for (int round = 0; round < 50; ++round) {
        StressMesh m = makeStressMesh(rng, 4 + int(rng() % 4), 20 + int(rng() % 60), true, true, 60);
        expectReferenceResult(m, "many groups, round " + std::to_string(round));
    }
}

TEST(Weld, BatchesDrawWhatTheLinearScanWelds)
{
    // small batches, so that small meshes cross many borders
    std::mt19937 rng(13);
    for (int round = 0; round < 100; ++round) {
        StressMesh m = makeStressMesh(rng, 4 + int(rng() % 40), 1 + int(rng() % 50), true, true);
        std::string text = toObj(m);
        ObjRecords records;
        readObjRecords(text.data(), text.size(), records);
        fillMissingNormals(records);
        WeldedMesh welded;
        weldAllCorners(records, welded);
        std::vector<Vertex> vertices;
        std::vector<uint16_t> indices;
        std::vector<MeshBatch> batches;
        size_t limit = 3 + rng() % 10;
        splitIntoBatches(welded, vertices, indices, batches, limit);

        LinearWeld reference = linearWeld(referenceCorners(m));
        std::vector<Vertex> drawn;
        for (const MeshBatch& batch : batches) {
            ASSERT_LE(batch.vertexCount, limit);
            for (uint32_t i = batch.firstIndex; i < batch.firstIndex + batch.indexCount; ++i)
                drawn.push_back(vertices[batch.firstVertex + indices[i]]);
        }
        ASSERT_EQ(drawn.size(), reference.indices.size()) << text;
        for (size_t i = 0; i < drawn.size(); ++i)
            ASSERT_EQ(memcmp(&drawn[i], &reference.vertices[reference.indices[i]], sizeof(Vertex)), 0)
                << "round " << round << ", corner " << i << "\n" << text;
    }
}

TEST(Weld, CrowdedPositionMatchesLinearScan)
{
    // one position with thousands of normals, then one with thousands of texture coordinates,
    // spaced around the tolerance so that some weld and some chain
    std::mt19937 rng(11);
    for (int kind = 0; kind < 2; ++kind) {
        StressMesh m;
        m.positions.push_back(Vector3{1.0f, 2.0f, 3.0f});
        float along = 0.0f;
        for (int i = 0; i < 3000; ++i) {
            along += float(rng() % 4) * 0.55f * tolerance;
            m.normals.push_back(kind == 0 ? Vector3{along, 1.0f, nearValue(rng, 0.0f)} : Vector3{0.0f, 0.0f, 1.0f});
            m.texCoords.push_back(kind == 1 ? Vector2{nearValue(rng, 0.5f), along} : Vector2{0.0f, 0.0f});
        }
        for (int f = 0; f < 1000; ++f) {
            StressFace face{{}, -1, -1};
            for (int k = 0; k < 3; ++k)
                face.corners.push_back(StressCorner{0, 1 + int(rng() % 3000), 1 + int(rng() % 3000)});
            m.faces.push_back(face);
        }
        expectReferenceResult(m, kind == 0 ? "normals" : "texture coordinates");
    }
}

TEST(Weld, CrowdOfDistinctVerticesAtOnePositionStaysApart)
{
    // 70,000 corners at one position, each with a normal of its own two tolerances apart: every
    // one is a vertex of its own, and welding them does not compare each with all the others
    std::string text = "v 0 0 0\nvt 0 0\n";
    char line[64];
    for (int i = 0; i < 70000; ++i) {
        snprintf(line, sizeof(line), "vn %.9g 1 0\n", double(i) * 2.0 * double(tolerance));
        text += line;
    }
    for (int i = 0; i < 70000; i += 2) {
        snprintf(line, sizeof(line), "f 1/1/%d 1/1/%d 1/1/%d\n", i + 1, i + 2, i + 1);
        text += line;
    }
    ObjMesh mesh;
    readObjText(text.data(), text.size(), mesh);
    size_t vertices = 0;
    for (const MeshBatch& batch : mesh.mesh.batches)
        vertices += batch.vertexCount;
    EXPECT_EQ(vertices, 70000u);
    EXPECT_EQ(mesh.mesh.batches.size(), 2u);
}

TEST(Weld, CandidatesStraddlingCellEdgesAreFound)
{
    // vertices spread finely across cells on every component, probed around the tolerance
    std::vector<Vertex> vertices;
    WeldGrid grid;
    for (int i = 0; i < 2000; ++i) {
        float x = float(i) * 0.37f * tolerance;
        Vertex v;
        v.position = {x, -x, 0.5f * x};
        v.normal = {0.25f * x, 1.0f - x, x};
        v.texCoord = {-x, 0.75f * x};
        vertices.push_back(v);
        add(grid, vertices);
    }
    std::mt19937 rng(5);
    for (int i = 0; i < 20000; ++i) {
        const Vertex& t = vertices[rng() % vertices.size()];
        Vertex probe;
        probe.position = {nearValue(rng, t.position.x), nearValue(rng, t.position.y), nearValue(rng, t.position.z)};
        probe.normal = {nearValue(rng, t.normal.x), nearValue(rng, t.normal.y), nearValue(rng, t.normal.z)};
        probe.texCoord = {nearValue(rng, t.texCoord.x), nearValue(rng, t.texCoord.y)};
        uint32_t expected = noVertex;
        for (size_t k = 0; k < vertices.size() && expected == noVertex; ++k)
            if (verticesMatch(vertices[k], probe))
                expected = uint32_t(k);
        ASSERT_EQ(search(grid, vertices, probe), expected) << i;
    }
}

TEST(Weld, CrowdInOneCellIsSpreadOverFinerCells)
{
    // vertices 1.1 tolerances apart on all eight components, around one cell's centre and past its
    // edges, and probes on or around the tolerance from them: searched as the linear scan finds
    std::mt19937 rng(17);
    auto lattice = [&] { return float(int(rng() % 29) - 14) * 1.1f * tolerance; };
    std::vector<Vertex> vertices;
    WeldGrid grid;
    for (int i = 0; i < 12000; ++i) {
        Vertex v;
        if (vertices.empty() || rng() % 2) {
            v.position = {lattice(), lattice(), lattice()};
            v.normal = {lattice(), lattice(), lattice()};
            v.texCoord = {lattice(), lattice()};
        } else {
            // two components moved: it often matches
            v = vertices[rng() % vertices.size()];
            float c[8];
            memcpy(c, &v, sizeof(c));
            for (int k = 0; k < 2; ++k) {
                float& moved = c[rng() % 8];
                moved = nearValue(rng, moved);
            }
            memcpy(&v, c, sizeof(c));
        }
        uint32_t expected = noVertex;
        for (size_t k = 0; k < vertices.size() && expected == noVertex; ++k)
            if (verticesMatch(vertices[k], v))
                expected = uint32_t(k);
        ASSERT_EQ(search(grid, vertices, v), expected) << i;
        if (expected == noVertex) {
            vertices.push_back(v);
            add(grid, vertices);
        }
    }
    EXPECT_GT(vertices.size(), 5000u);
    EXPECT_LE(longestChain(grid.cells, grid.next), size_t(maxChainedVertices));
    EXPECT_LE(longestChain(grid.fineCells, grid.next), size_t(maxChainedVertices));
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
        add(grid, vertices);
    }
    Vertex probe = {};
    EXPECT_EQ(search(grid, vertices, probe), 0u);
    probe.position.x = 1.5f * tolerance;  // within reach of 2, 4 only
    EXPECT_EQ(search(grid, vertices, probe), 2u);
    probe.position.x = 3.0f * tolerance;
    EXPECT_EQ(search(grid, vertices, probe), noVertex);
}

TEST(Weld, LargeCoordinatesWeldOnlyWhenEqual)
{
    std::vector<Vertex> vertices;
    WeldGrid grid;
    const float xs[] = {3.0e38f, -3.0e38f, 1.0e20f, std::nextafter(1.0e20f, 0.0f), 1.0e15f};
    for (float x : xs) {
        Vertex v = {};
        v.position = {x, x, -x};
        v.normal = {-x, 0.0f, x};
        vertices.push_back(v);
        add(grid, vertices);
    }
    for (uint32_t i = 0; i < vertices.size(); ++i)
        EXPECT_EQ(search(grid, vertices, vertices[i]), i);

    // past the range of cell numbers too, every float has a cell of its own, in order
    std::vector<float> ordered;
    for (float x : {1.0e14f, 1.3e15f, 1.4e15f, std::nextafter(1.4e15f, 2e15f), 1.5e15f, 1.0e20f,
                    std::nextafter(1.0e20f, 2e20f), 3.0e38f, std::numeric_limits<float>::max()}) {
        ordered.push_back(x);
        ordered.insert(ordered.begin(), -x);
    }
    for (size_t i = 1; i < ordered.size(); ++i) {
        Vertex a = {}, b = {};
        a.texCoord.y = ordered[i - 1];
        b.texCoord.y = ordered[i];
        EXPECT_LT(weldCellKey(a).cell[7], weldCellKey(b).cell[7]) << ordered[i];
    }
}

TEST(CornerCache, FindsWhatWasCached)
{
    CornerCache cache;
    EXPECT_EQ(findCachedCorner(cache, 1, 2, 3), cacheMiss);
    for (uint32_t i = 0; i < 5000; ++i)
        cacheCorner(cache, i, i % 7 == 0 ? noRecord : i + 1, i * 3, i / 2);
    for (uint32_t i = 0; i < 5000; ++i)
        ASSERT_EQ(findCachedCorner(cache, i, i % 7 == 0 ? noRecord : i + 1, i * 3), i / 2);
    EXPECT_EQ(findCachedCorner(cache, 1, 2, 4), cacheMiss);
    EXPECT_EQ(findCachedCorner(cache, 7, 8, 21), cacheMiss);  // 7 was cached without a texture coordinate
}

TEST(Weld, TriangleListMatchesLinearScan)
{
    // triangles around a few anchors, corners on and around the tolerance apart: with normals,
    // texture coordinates and colors given, or flat normals and no more
    std::mt19937 rng(27);
    for (int round = 0; round < 200; ++round) {
        TriangleList list;
        bool given = round % 2 == 0, colored = round % 3 == 0;
        Vector3 anchor = {baseValue(rng), baseValue(rng), baseValue(rng)};
        size_t corners = 3 * (1 + rng() % 60);
        for (size_t i = 0; i < corners; ++i) {
            if (rng() % 5 == 0)
                anchor = {baseValue(rng), baseValue(rng), baseValue(rng)};
            list.positions.push_back(Vector3{nearValue(rng, anchor.x), nearValue(rng, anchor.y), nearValue(rng, anchor.z)});
            if (given) {
                list.normals.push_back(Vector3{nearValue(rng, 0.0f), nearValue(rng, 1.0f), 0.0f});
                list.texCoords.push_back(Vector2{nearValue(rng, 0.5f), 0.0f});
            }
            if (colored)
                list.colors.push_back(Vector3{nearValue(rng, 0.5f), 1.0f, 0.0f});
        }
        std::vector<Vertex> reference;
        for (size_t i = 0; i < corners; ++i) {
            size_t first = i - i % 3;
            Vertex v;
            v.position = list.positions[i];
            v.texCoord = given ? list.texCoords[i] : Vector2{0.0f, 0.0f};
            v.normal = given ? list.normals[i]
                             : faceNormal(list.positions[first], list.positions[first + 1], list.positions[first + 2]);
            reference.push_back(v);
        }
        LinearWeld expected = linearWeld(reference, colored ? &list.colors : nullptr);
        WeldedMesh welded;
        weldTriangles(list, welded);
        std::string context = "round " + std::to_string(round);
        ASSERT_EQ(welded.indices, expected.indices) << context;
        expectSameBits(welded.vertices, expected.vertices);
        ASSERT_EQ(welded.colors.size(), expected.colors.size()) << context;
        // an empty vector's data may be null, which memcmp may not be given
        EXPECT_TRUE(welded.colors.empty() ||
                    memcmp(welded.colors.data(), expected.colors.data(), welded.colors.size() * sizeof(Vector3)) == 0)
            << context;
    }
}

TEST(Weld, DistinctCornersWeldAsEveryCornerAndAsTheLinearScan)
{
    // the faces of stress meshes (corners on and around the tolerance apart, repeated records),
    // welded corner by corner and as their distinct corners in runs, as the slices hand them on
    std::mt19937 rng(41);
    for (int round = 0; round < 200; ++round) {
        StressMesh m = makeStressMesh(rng, 4 + int(rng() % 40), 1 + int(rng() % 60), rng() % 2, true);
        std::string context = "round " + std::to_string(round);
        ObjRecords records;
        WeldedMesh each;
        readAndWeldCornerByCorner(m, records, each);

        Welder welder;
        startWelding(welder, 0);
        const ObjCorner* corners = records.corners.data();
        for (size_t done = 0, count = records.corners.size(), run; done < count; done += run) {
            run = std::min(count - done, size_t(1 + rng() % 40));
            DistinctCorners distinct;
            findDistinctCorners(corners + done, run, distinct);
            // the distinct ones in order of first appearance, each corner one of them
            std::vector<ObjCorner> seen;
            for (size_t i = 0; i < run; ++i) {
                const ObjCorner& c = corners[done + i];
                auto same = [&](const ObjCorner& d) {
                    return d.position == c.position && d.texCoord == c.texCoord && d.normal == c.normal;
                };
                size_t place = size_t(std::find_if(seen.begin(), seen.end(), same) - seen.begin());
                if (place == seen.size())
                    seen.push_back(c);
                ASSERT_EQ(distinct.which[i], place) << context;
            }
            ASSERT_TRUE(sameBits(distinct.distinct, seen)) << context;
            std::vector<uint32_t> vertexOf(distinct.distinct.size());
            weldCornersTo(welder, records, distinct.distinct.data(), distinct.distinct.size(), vertexOf.data());
            for (uint32_t which : distinct.which)
                welder.mesh.indices.push_back(vertexOf[which]);
        }
        ASSERT_EQ(welder.mesh.indices, each.indices) << context;
        expectSameBits(welder.mesh.vertices, each.vertices);
        LinearWeld reference = linearWeld(referenceCorners(m));
        ASSERT_EQ(welder.mesh.indices, reference.indices) << context;
    }
}

TEST(Weld, TwoPartsWeldAsOneThreadAtEverySplit)
{
    // stress meshes (corners on and around the tolerance apart, repeated records, some corners
    // given no normal), welded in two parts split at every corner, the second part alone or
    // alongside on another thread, after some corners welded before: the one-thread welding's
    // vertices and indices, bit for bit
    std::mt19937 rng(53);
    for (int round = 0; round < 120; ++round) {
        StressMesh m = makeStressMesh(rng, 4 + int(rng() % 30), 1 + int(rng() % 40), rng() % 2, true);
        std::string context = "round " + std::to_string(round);
        ObjRecords records;
        WeldedMesh each;
        readAndWeldCornerByCorner(m, records, each);
        size_t count = records.corners.size(), before = rng() % (count / 2 + 1);
        for (size_t split = 0; split <= count - before; ++split) {
            Welder welder;
            startWelding(welder, 0);
            weldCorners(welder, records, records.corners.data(), before);
            std::vector<uint32_t>& indices = welder.mesh.indices;
            indices.resize(count);
            TwoPartWeld how = {split, split % 4 == 1};
            ASSERT_TRUE(weldCornersInTwoParts(welder, records, records.corners.data() + before, count - before,
                                              indices.data() + before, how, nullptr));
            ASSERT_EQ(indices, each.indices) << context << ", split at " << split;
            expectSameBits(welder.mesh.vertices, each.vertices);
        }
    }
}

TEST(Weld, SearchesKeepTheirCellsAtEveryScale)
{
    // components from the tolerance to far past where cells are counted without branches (some
    // 3.4e11 here), each vertex with neighbours a few floats away: every search's own cell is the
    // cell a vertex is added under, its lower cells one below at most, and the earliest match found
    std::mt19937 rng(61);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    for (float scale : {1e-5f, 1.0f, 3e3f, 3.3e11f, 3.4e11f, 3.5e11f, 1e13f, 1e20f}) {
        std::vector<Vertex> vertices;
        WeldGrid grid;
        for (int i = 0; i < 300; ++i) {
            Vertex v;
            v.position = {scale * unit(rng), scale * unit(rng), scale * unit(rng)};
            v.normal = {unit(rng), unit(rng), unit(rng)};
            v.texCoord = {scale * unit(rng), unit(rng)};
            if (i % 3 == 1)  // a near copy of the one before
                v.position.x = std::nextafter(vertices.back().position.x, 1e30f), v.normal = vertices.back().normal,
                v.position.y = vertices.back().position.y, v.position.z = vertices.back().position.z,
                v.texCoord = vertices.back().texCoord;
            WeldSearch s;
            prepareWeldSearch(v, s);
            WeldCellKey key = weldCellKey(v);
            ASSERT_EQ(memcmp(s.own.cell, key.cell, sizeof(key.cell)), 0) << scale << ", vertex " << i;
            ASSERT_EQ(s.own.hash, key.hash) << scale;
            for (int a = 0; a < 8; ++a)
                ASSERT_TRUE(s.low[a] == s.own.cell[a] || (s.low[a] == s.own.cell[a] - 1 && ((s.straddling >> a) & 1)))
                    << scale << ", axis " << a;
            uint32_t expected = noVertex;
            for (size_t k = 0; k < vertices.size() && expected == noVertex; ++k)
                if (verticesMatch(vertices[k], v))
                    expected = uint32_t(k);
            ASSERT_EQ(findWeldMatch(grid, vertices, v, s), expected) << scale << ", vertex " << i;
            if (expected == noVertex) {
                vertices.push_back(v);
                addToWeldGrid(grid, vertices, uint32_t(vertices.size() - 1), s.own);
            }
        }
    }
}
