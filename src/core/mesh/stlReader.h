#pragma once
// The STL reader: a binary or ASCII STL file into a Mesh, for readModelFile. No OpenGL; nothing is
// printed.
//
// Binary STL is told apart by its size (84 bytes and 50 a facet, as the count at byte 80 says),
// whatever its first bytes say; a file of another size is ASCII when its start is text, and
// binary cut short or followed by other bytes otherwise. ASCII STL may hold any number of solids.
// Facets are shaded flat: the normals stored in the file, often wrong, are not read, nor are the
// two attribute bytes of a binary facet. The passes: facets -> their triangles welded a part at a
// time as they are read (weldMoreTriangles: neighbouring facets in one plane share vertices) ->
// batches.

#include "core/files/fileBytes.h"
#include "core/mesh/mesh.h"
#include "core/mesh/modelBytes.h"
#include "core/mesh/problems.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

// True when the file's size is that of a binary STL file of as many facets as the count at byte
// 80 (little-endian) says: 84 + 50 × count.
bool hasBinaryStlSignature(const unsigned char* first, size_t count, uint64_t fileSize);

// Reads the `size` bytes of an STL file at `data` (nullptr for none) into `out` (replaced), its
// problems appended to `problems`: whatever the bytes, what can be drawn is drawn and the rest
// told. False, with `out` empty, when `progress` stopped it (it is told every MB or so).
bool readStlBytes(const unsigned char* data, size_t size, Mesh& out, ProblemList& problems,
                  const ReadProgress& progress = ReadProgress());

// Reads the STL file at `path` as readStlBytes does, mapped (readModelBytesFile).
FileStatus readStlFile(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>* cancel = nullptr);
