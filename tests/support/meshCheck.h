#pragma once
// Checks of a Mesh as any reader gives it: two readings compared bit for bit, the problems as the
// log prints them, and the properties every mesh must have whatever its file held.

#include "core/mesh/mesh.h"
#include "core/mesh/problems.h"
#include "support/captureStdout.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

template <typename Array>
bool sameMeshBits(const Array& a, const Array& b)
{
    return a.size() == b.size() && (a.empty() || memcmp(a.data(), b.data(), a.size() * sizeof(a[0])) == 0);
}

// The same mesh, bit for bit: vertices, indices, batches, colors, ranges and what it draws.
inline void expectSameMesh(const Mesh& a, const Mesh& b, const std::string& context)
{
    EXPECT_EQ(a.vertices.size(), b.vertices.size()) << context;
    EXPECT_TRUE(sameMeshBits(a.vertices, b.vertices)) << context;
    EXPECT_EQ(a.indices, b.indices) << context;
    EXPECT_TRUE(sameMeshBits(a.batches, b.batches)) << context;
    EXPECT_TRUE(sameMeshBits(a.colors, b.colors)) << context;
    EXPECT_TRUE(sameMeshBits(a.ranges, b.ranges)) << context;
    EXPECT_EQ(a.primitive, b.primitive) << context;
}

// The problems as the viewer logs them, a line each, the model's own file called `model`.
inline std::string toldProblems(const ProblemList& problems, const char* model)
{
    return captureStdout([&] { logProblems(problems, model); });
}

// What every mesh holds, whatever its file: finite components; batches within 16-bit indices, one
// after another, their indices inside them; three indices a triangle or one a point; a color per
// vertex or none.
inline void expectSaneMesh(const Mesh& mesh, const std::string& context)
{
    for (const Vertex& v : mesh.vertices) {
        const float* f = &v.position.x;
        for (int i = 0; i < 8; ++i)
            ASSERT_TRUE(std::isfinite(f[i])) << context;
    }
    ASSERT_TRUE(mesh.colors.empty() || mesh.colors.size() == mesh.vertices.size()) << context;
    uint32_t vertex = 0, index = 0;
    for (const MeshBatch& batch : mesh.batches) {
        ASSERT_EQ(batch.firstVertex, vertex) << context;
        ASSERT_EQ(batch.firstIndex, index) << context;
        ASSERT_LE(batch.vertexCount, 65536u) << context;
        for (uint32_t i = batch.firstIndex; i < batch.firstIndex + batch.indexCount; ++i)
            ASSERT_LT(mesh.indices[i], batch.vertexCount) << context;
        vertex += batch.vertexCount;
        index += batch.indexCount;
    }
    ASSERT_EQ(vertex, mesh.vertices.size()) << context;
    ASSERT_EQ(index, mesh.indices.size()) << context;
    if (mesh.primitive == MeshPrimitive::triangles)
        ASSERT_EQ(index % 3, 0u) << context;
    else
        ASSERT_EQ(index, vertex) << context;
}
