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

// How the scan of a face line ended.
enum class FaceScan : uint8_t {
    read,     // the polygon holds its corners
    invalid,  // the face is to be skipped whole
    stopped,  // the look said to stop
};

// Looked at while a long face line is scanned: each time the scan reaches `at`, goOn is told where
// it stands; it moves `at` on, and returns false to stop the scan.
struct LineLook {
    const char* at;
    bool (*goOn)(LineLook& look, const char* scanned);
    void* context;
};

// Reads the corners of a face line, the text after "f ": v, v/vt, v//vn or v/vt/vn, with 1-based
// or negative (relative) indices as "%i" reads them (octal after 0, hexadecimal after 0x), apart
// by white space, up to the end of the line (a zero byte or a newline) or a '#', resolved
// against the `counts` of records read so far. Returns invalid when the face is to be
// skipped whole: fewer than three corners, a corner that does not parse, or a position index of 0
// or outside the positions read so far. A texture or normal index of 0 or outside its records
// leaves that part of the corner absent (noRecord) and is counted in `problems`. `look`, when
// given, is looked at between corners once the scan reaches look->at: stopped when it says so.
FaceScan scanFace(const char* text, const RecordCounts& counts, std::vector<ObjCorner>& polygon, FaceProblems& problems,
                  LineLook* look = nullptr);

// Appends the polygon's triangles (c0, ci, ci+1) for i from `first` + 1 up to `first` + `count`
// (at most n - 2 in all), in order.
void fanPolygon(const std::vector<ObjCorner>& polygon, size_t first, size_t count, GrowArray<ObjCorner>& corners);
