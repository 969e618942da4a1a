#include "core/mesh/batches.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>

namespace {

WeldedMesh numberedMesh(uint32_t vertexCount, const std::vector<uint32_t>& indices)
{
    WeldedMesh mesh;
    for (uint32_t i = 0; i < vertexCount; ++i) {
        Vertex v = {};
        v.position.x = float(i);  // tells the vertices apart
        mesh.vertices.push_back(v);
    }
    mesh.indices = indices;
    return mesh;
}

struct Batched {
    std::vector<Vertex> vertices;
    std::vector<uint16_t> indices;
    std::vector<MeshBatch> batches;
};

Batched split(WeldedMesh mesh, size_t limit)
{
    Batched out;
    splitIntoBatches(mesh, out.vertices, out.indices, out.batches, limit);
    return out;
}

// Every batch within the limit and full (the next triangle did not fit), its vertices in order
// of first use, and every corner drawn with the welded vertex it had.
void expectFaithfulSplit(const WeldedMesh& welded, const Batched& out, size_t limit)
{
    size_t index = 0;
    for (size_t b = 0; b < out.batches.size(); ++b) {
        const MeshBatch& batch = out.batches[b];
        ASSERT_EQ(batch.firstIndex, index);
        ASSERT_LE(batch.vertexCount, limit);
        ASSERT_GT(batch.indexCount, 0u);
        ASSERT_EQ(batch.indexCount % 3, 0u);
        std::set<uint32_t> used;
        uint32_t nextLocal = 0;
        for (size_t i = batch.firstIndex; i < batch.firstIndex + batch.indexCount; ++i) {
            uint16_t local = out.indices[i];
            ASSERT_LE(local, nextLocal) << "first uses in order";
            nextLocal += local == nextLocal;
            const Vertex& drawn = out.vertices[batch.firstVertex + local];
            ASSERT_EQ(memcmp(&drawn, &welded.vertices[welded.indices[i]], sizeof(Vertex)), 0) << "corner " << i;
            used.insert(welded.indices[i]);
        }
        ASSERT_EQ(nextLocal, batch.vertexCount);
        ASSERT_EQ(used.size(), batch.vertexCount);
        if (b + 1 < out.batches.size()) {
            size_t next = batch.firstIndex + batch.indexCount;
            size_t extra = 0;
            for (size_t k = next; k < next + 3; ++k)
                extra += used.insert(welded.indices[k]).second;
            ASSERT_GT(batch.vertexCount + extra, limit) << "batch " << b << " closed early";
        }
        index += batch.indexCount;
    }
    ASSERT_EQ(index, welded.indices.size());
    ASSERT_EQ(out.indices.size(), welded.indices.size());
}

} // namespace

TEST(Batches, MeshWithinTheLimitIsOneBatchAsWelded)
{
    WeldedMesh welded = numberedMesh(5, {0, 1, 2, 2, 1, 3, 3, 4, 0});
    Batched out = split(welded, 5);
    ASSERT_EQ(out.batches.size(), 1u);
    EXPECT_EQ(out.batches[0].firstVertex, 0u);
    EXPECT_EQ(out.batches[0].vertexCount, 5u);
    EXPECT_EQ(out.batches[0].indexCount, 9u);
    EXPECT_EQ(out.indices, std::vector<uint16_t>({0, 1, 2, 2, 1, 3, 3, 4, 0}));
    ASSERT_EQ(out.vertices.size(), 5u);
    EXPECT_EQ(out.vertices[4].position.x, 4.0f);

    EXPECT_TRUE(split(WeldedMesh(), 5).batches.empty());
}

TEST(Batches, BorderVerticesAreCopiedIntoTheNextBatch)
{
    // a strip: each triangle shares two vertices with the one before it
    std::vector<uint32_t> indices;
    for (uint32_t i = 0; i + 2 < 10; ++i)
        indices.insert(indices.end(), {i, i + 1, i + 2});
    WeldedMesh welded = numberedMesh(10, indices);
    Batched out = split(welded, 4);
    expectFaithfulSplit(welded, out, 4);
    ASSERT_EQ(out.batches.size(), 4u);  // triangles 0-1, 2-3, 4-5, 6-7
    EXPECT_EQ(out.batches[1].firstVertex, 4u);
    EXPECT_EQ(out.vertices[4].position.x, 2.0f);  // vertex 2 again, first in the second batch
    EXPECT_EQ(out.vertices.size(), 16u);
}

TEST(Batches, RandomMeshesSplitFaithfully)
{
    std::mt19937 rng(3);
    for (int round = 0; round < 200; ++round) {
        uint32_t vertexCount = 3 + rng() % 200;
        size_t limit = 3 + rng() % 40;
        std::vector<uint32_t> indices;
        for (int t = int(rng() % 300); t > 0; --t) {
            uint32_t a = rng() % vertexCount;
            // neighbours, repeats and degenerate triangles, as real meshes have
            for (int k = 0; k < 3; ++k)
                indices.push_back(rng() % 4 == 0 ? a : (a + rng() % 5) % vertexCount);
        }
        // welded vertices come in order of first use
        std::vector<uint32_t> firstUse(vertexCount, ~0u);
        uint32_t used = 0;
        for (uint32_t& index : indices)
            index = firstUse[index] == ~0u ? (firstUse[index] = used++) : firstUse[index];
        WeldedMesh welded = numberedMesh(used, indices);
        expectFaithfulSplit(welded, split(welded, limit), limit);
    }
}

TEST(Batches, SixteenBitLimitIsTheDefault)
{
    // 21,845 separate triangles use 65,535 vertices; the next needs two more, one too many, so
    // it opens a second batch, which copies vertices 0 and 1
    std::vector<uint32_t> indices;
    for (uint32_t i = 0; i < 65535; i += 3)
        indices.insert(indices.end(), {i, i + 1, i + 2});
    indices.insert(indices.end(), {65535, 65536, 0, 65536, 0, 1});
    WeldedMesh welded = numberedMesh(65537, indices);
    Batched out;
    WeldedMesh copy = welded;
    splitIntoBatches(copy, out.vertices, out.indices, out.batches);
    expectFaithfulSplit(welded, out, maxBatchVertices);
    ASSERT_EQ(out.batches.size(), 2u);
    EXPECT_EQ(out.batches[0].vertexCount, 65535u);
    EXPECT_EQ(out.batches[1].vertexCount, 4u);
    EXPECT_EQ(out.vertices[65535 + 2].position.x, 0.0f);
}

TEST(Batches, InPlaceSplitIsTheSplit)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 300; ++round) {
        uint32_t vertexCount = 3 + rng() % 300;
        size_t limit = round == 0 ? maxBatchVertices : 3 + rng() % 60;
        std::vector<uint32_t> indices;
        for (int t = int(rng() % 400); t > 0; --t) {
            uint32_t a = rng() % vertexCount;
            for (int k = 0; k < 3; ++k)  // far jumps too: vertices from long before, copied again
                indices.push_back(rng() % 4 == 0 ? a : rng() % 8 == 0 ? rng() % vertexCount : (a + rng() % 5) % vertexCount);
        }
        std::vector<uint32_t> firstUse(vertexCount, ~0u);
        uint32_t used = 0;
        for (uint32_t& index : indices)
            index = firstUse[index] == ~0u ? (firstUse[index] = used++) : firstUse[index];
        WeldedMesh welded = numberedMesh(used, indices);
        if (round % 2)
            for (uint32_t i = 0; i < used; ++i)
                welded.colors.push_back(Vector3{float(i), 0.5f, 1.0f});
        WeldedMesh copy = welded;
        Batched expected, inPlace;
        std::vector<Vector3> expectedColors, inPlaceColors;
        splitIntoBatches(welded, expected.vertices, expected.indices, expected.batches, limit, &expectedColors);
        splitIntoBatchesInPlace(copy, inPlace.vertices, inPlace.indices, inPlace.batches, limit, &inPlaceColors);
        ASSERT_EQ(inPlace.indices, expected.indices) << "round " << round;
        ASSERT_EQ(inPlace.vertices.size(), expected.vertices.size()) << "round " << round;
        ASSERT_EQ(memcmp(inPlace.vertices.data(), expected.vertices.data(), expected.vertices.size() * sizeof(Vertex)), 0);
        ASSERT_EQ(inPlace.batches.size(), expected.batches.size());
        ASSERT_EQ(memcmp(inPlace.batches.data(), expected.batches.data(), expected.batches.size() * sizeof(MeshBatch)), 0);
        ASSERT_EQ(inPlaceColors.size(), expectedColors.size());
        ASSERT_TRUE(expectedColors.empty() ||
                    memcmp(inPlaceColors.data(), expectedColors.data(), expectedColors.size() * sizeof(Vector3)) == 0);
        ASSERT_TRUE(copy.vertices.empty() && copy.indices.empty());
    }
}
