#pragma once
// What reading an OBJ text yields before welding: its records, its faces as triangles of record
// numbers, and the problems met on the way.

#include "core/mesh/growArray.h"
#include "core/math/vector.h"
#include "core/mesh/problems.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Marks an absent record number: a corner without a texture coordinate or normal.
constexpr uint32_t noRecord = 0xFFFFFFFFu;

// How many records of each kind: those read so far, which the indices of a face can name.
struct RecordCounts {
    size_t positions, texCoords, normals;
};

// One corner of a triangle: 0-based numbers of its position, texture coordinate and normal records.
struct ObjCorner {
    uint32_t position;
    uint32_t texCoord;  // noRecord: (0, 0)
    uint32_t normal;    // noRecord until the missing normals are filled in
};

// A smoothing group of a triangle, named by the file's own number: N for s N, facetedGroup for
// s off and s 0, and defaultGroup, which no N reaches, for the faces before any s line.
constexpr uint64_t facetedGroup = 0;
constexpr uint64_t defaultGroup = UINT64_MAX;

// The triangles from firstTriangle on, up to the next run, are in `group`.
struct GroupRun {
    uint32_t firstTriangle;
    uint64_t group;
};

// The triangles from firstTriangle on (counting every triangle of the file, those handed on too),
// up to the next run, use material `material`: an index into ObjRecords::materialNames, or
// defaultMaterial.
struct MaterialRun {
    uint32_t firstTriangle;
    uint32_t material;
};

// The material of the faces before any usemtl line.
constexpr uint32_t defaultMaterial = 0xFFFFFFFFu;

// A kept polygon of more than three corners: the `triangles` of its fan, from firstTriangle on.
struct PolygonRun {
    uint32_t firstTriangle;
    uint32_t triangles;
};

struct ObjRecords {
    GrowArray<Vector3> positions;
    GrowArray<Vector2> texCoords;
    GrowArray<Vector3> normals;
    GrowArray<Vector3> colors;           // per position, from "v x y z r g b"; white where a position has
                                         // none; empty when no position has one
    GrowArray<ObjCorner> corners;        // three per triangle, polygons fanned, in file order
    std::vector<GroupRun> groups;        // smoothing groups, in triangle order; empty without triangles
    std::vector<PolygonRun> polygons;    // the polygons among the corners, in order; a triangle has none
    std::vector<MaterialRun> materials;  // in triangle order; empty when the file uses no material
    std::vector<std::string> materialNames;      // named by usemtl lines, in order of first use
    std::vector<std::string> materialLibraries;  // named by mtllib lines, in order
    uint32_t triangles = 0;              // every triangle read, handed on or kept
    ProblemTallies problems;  // lines: invalidFaces, missingTexCoords, missingNormals, missingNumbers, nonFiniteNumbers
};

// True when any of the `count` corners has no normal record.
inline bool lacksNormal(const ObjCorner* corners, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        if (corners[i].normal == noRecord)
            return true;
    return false;
}
