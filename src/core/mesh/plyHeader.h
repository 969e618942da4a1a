#pragma once
// The header of a PLY file: its format, its elements and their properties, and what each property
// gives the mesh. For the PLY reader.

#include "core/mesh/problems.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class PlyFormat : uint8_t { none, ascii, binaryLittle, binaryBig };

enum class PlyType : uint8_t { none, int8, uint8, int16, uint16, int32, uint32, float32, float64 };

// What a property gives the mesh.
enum class PlyRole : uint8_t { none, x, y, z, nx, ny, nz, u, v, red, green, blue, indices, count };

struct PlyProperty {
    PlyType type;       // the value's type, or a list's items'
    PlyType countType;  // a list's count, or none for a single value
    PlyRole role;
};

enum class PlyElementKind : uint8_t { other, vertex, face };

struct PlyElement {
    std::string name;
    uint64_t count;
    size_t firstProperty, propertyCount;
    PlyElementKind kind;
    bool holdsFaces;  // a list of vertex indices, in an element other than the faces drawn
};

struct PlyHeader {
    PlyFormat format = PlyFormat::none;
    std::vector<PlyElement> elements;  // those whose data can be read, in order
    std::vector<PlyProperty> properties;
    size_t dataStart = 0;
    uint64_t lines = 0;  // the header's lines
    bool sound = true;   // no fault: every element declared is in `elements`
};

// The bytes of a value of `type` in a binary file (0 for none).
size_t typeSize(PlyType type);

bool isFloatType(PlyType type);

// Reads the header from the file's first line on: false when no element of it can be read, which
// is told in `problems` (headerFault), as are the lines of other keywords (ignoredStatements). A
// fault in a declaration leaves out the element it is in and every one after it, and is told.
bool readPlyHeader(const unsigned char* data, size_t size, PlyHeader& header, ProblemList& problems);

// Tells a fault of the header, or a file whose vertices cannot be drawn.
void noticeHeaderFault(ProblemList& problems, const std::string& fault);
