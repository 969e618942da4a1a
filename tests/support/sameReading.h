#pragma once
// Two readings of the same text compared bit for bit: the records and faces, and the mesh.

#include "core/mesh/objMesh.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

template <typename Array>
bool sameBits(const Array& a, const Array& b)
{
    return a.size() == b.size() && (a.empty() || memcmp(a.data(), b.data(), a.size() * sizeof(a[0])) == 0);
}

inline bool sameReport(const ProblemTallies& a, const ProblemTallies& b)
{
    for (size_t kind = 0; kind < problemKindCount; ++kind)
        if (a.of[kind].count != b.of[kind].count || a.of[kind].firstAt != b.of[kind].firstAt)
            return false;
    return true;
}

inline void expectSameRecords(const ObjRecords& a, const ObjRecords& b, const std::string& context)
{
    EXPECT_TRUE(sameBits(a.positions, b.positions)) << context;
    EXPECT_TRUE(sameBits(a.texCoords, b.texCoords)) << context;
    EXPECT_TRUE(sameBits(a.normals, b.normals)) << context;
    EXPECT_TRUE(sameBits(a.corners, b.corners)) << context;
    ASSERT_EQ(a.groups.size(), b.groups.size()) << context;
    for (size_t i = 0; i < a.groups.size(); ++i)
        EXPECT_TRUE(a.groups[i].firstTriangle == b.groups[i].firstTriangle && a.groups[i].group == b.groups[i].group)
            << context << ", group run " << i;
    EXPECT_TRUE(sameBits(a.polygons, b.polygons)) << context;
    EXPECT_TRUE(sameBits(a.colors, b.colors)) << context;
    EXPECT_TRUE(sameBits(a.materials, b.materials)) << context;
    EXPECT_EQ(a.materialNames, b.materialNames) << context;
    EXPECT_EQ(a.materialLibraries, b.materialLibraries) << context;
    EXPECT_EQ(a.triangles, b.triangles) << context;
    EXPECT_TRUE(sameReport(a.problems, b.problems)) << context;
}

inline void expectSameMesh(const ObjMesh& readA, const ObjMesh& readB, const std::string& context)
{
    const Mesh &a = readA.mesh, &b = readB.mesh;
    EXPECT_TRUE(sameBits(a.vertices, b.vertices)) << context;
    EXPECT_EQ(a.indices, b.indices) << context;
    EXPECT_TRUE(sameBits(a.batches, b.batches)) << context;
    EXPECT_TRUE(sameBits(a.colors, b.colors)) << context;
    EXPECT_TRUE(sameBits(a.ranges, b.ranges)) << context;
    ASSERT_EQ(a.materials.size(), b.materials.size()) << context;
    for (size_t i = 0; i < a.materials.size(); ++i)
        EXPECT_EQ(a.materials[i].name, b.materials[i].name) << context;
    EXPECT_EQ(readA.materialLibraries, readB.materialLibraries) << context;
    EXPECT_TRUE(sameReport(readA.problems, readB.problems)) << context;
}
