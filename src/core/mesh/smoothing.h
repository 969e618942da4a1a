#pragma once
// Normals for the corners that have none in the file.

#include "core/mesh/objRecords.h"

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

// The triangle's unit normal, computed in double and rounded to float; zero for a degenerate one.
Vector3 faceNormal(const Vector3& a, const Vector3& b, const Vector3& c);
