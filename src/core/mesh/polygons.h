#pragma once
// Face lines: their corners, and polygons as fans of triangles.

#include "core/mesh/objRecords.h"

#include <cstdint>
#include <vector>

// Corners of a face whose texture or normal index points at no record.
struct FaceProblems {
    uint32_t missingTexCoords;
    uint32_t missingNormals;
};

// Reads the corners of a face line, the text after "f ": v, v/vt, v//vn or v/vt/vn, with 1-based
// or negative (relative) indices as "%i" reads them (octal after 0, hexadecimal after 0x), apart
// by white space, up to the end of the line (a zero byte or a newline) or a '#', resolved
// against the `counts` of records read so far. Returns false when the face is to be
// skipped whole: fewer than three corners, a corner that does not parse, or a position index of 0
// or outside the positions read so far. A texture or normal index of 0 or outside its records
// leaves that part of the corner absent (noRecord) and is counted in `problems`.
bool scanFace(const char* text, const RecordCounts& counts, std::vector<ObjCorner>& polygon, FaceProblems& problems);

// Appends the polygon's n - 2 triangles (c0, ci, ci+1), i from 1, in order.
void fanPolygon(const std::vector<ObjCorner>& polygon, GrowArray<ObjCorner>& corners);
