#pragma once
// Normals for the corners that have none in the file.

#include "core/mesh/groupSums.h"
#include "core/mesh/objRecords.h"
#include "core/mesh/vertex.h"
#include "core/mesh/workLooks.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Gives every corner without a normal record one, appended to records.normals:
// - in a faceted triangle (s off, s 0), the triangle's unit normal;
// - otherwise the sum of the area vectors, in double and in face order, of every face of the same
//   smoothing group that uses the same position record without a normal there, once for each
//   such corner; normalised in double, then rounded to float. A face's area vector is the sum of
//   its fan's cross products (b - a) x (c - a) in order: for a triangle, its cross product.
// - but where that sum cancels out, no longer than a millionth of the sum of the absolute
//   components of what was added (twin faces facing both ways, as double-sided models have, or
//   only degenerate faces), the unit area vector of the corner's own face: zero for a degenerate one.
// Corners with a normal record keep it.
void fillMissingNormals(ObjRecords& records);

// fillMissingNormals in steps, summing the kept faces as they are read: the sums so far.
struct Smoothing {
    GroupSums sums;
    std::vector<uint64_t> smoothed;  // a bit per corner: its normal holds its sum's number, not yet a record's
    size_t triangles = 0;            // the triangles summed so far
    size_t run = 0, next = 0;        // the group run and the polygon run at that triangle
    bool leftOver = false;           // a faceted corner needs its own face's normal
};

// Sums the faces of records.corners from smoothing.triangles on, whole polygons, as
// fillMissingNormals does, pointing their corners without a normal at their sums; the records
// the faces use must be read, and their group and polygon runs with them. Records, groups,
// polygons and faces may be added after, but not changed. Counts a step per triangle (and per
// corner of a polygon) in `looks` (nullable); false, the records then unusable, when told to stop.
bool addToSmoothing(Smoothing& smoothing, ObjRecords& records, WorkLooks* looks);

// Sums the faces not summed yet and gives every corner without a normal record one: the result of
// fillMissingNormals on the whole of the records; `smoothing` is emptied. Looks at whether to go
// on as addToSmoothing does; false, the records then unusable, when told to stop.
bool finishSmoothing(Smoothing& smoothing, ObjRecords& records, WorkLooks* looks);

// Normals for indexed vertices that have none (a PLY file's), as fillMissingNormals gives the
// corners of one smoothing group that share position records: each vertex gets the sum, in double
// and in face order, of the area vectors of the faces that use it, once for each such corner,
// normalised in double and rounded to float. Where that sum cancels out (as fillMissingNormals
// tells), each face using the vertex gets a vertex of its own there, appended to `vertices` (and
// to `colors`, unless empty) with the face's unit area vector, and its corners renumbered.
// `corners` holds three vertex numbers per triangle, polygons fanned from their first corner;
// `polygons` the runs of those of more than three corners, as ObjRecords::polygons. Vertices no
// face uses get a zero normal.
void smoothIndexedNormals(std::vector<Vertex>& vertices, std::vector<Vector3>& colors, std::vector<uint32_t>& corners,
                          const std::vector<PolygonRun>& polygons);

// The triangle's unit normal, computed in double and rounded to float; zero for a degenerate one.
Vector3 faceNormal(const Vector3& a, const Vector3& b, const Vector3& c);
