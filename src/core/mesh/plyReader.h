#pragma once
// The PLY reader: a Stanford PLY file, ASCII or binary of either byte order, into a Mesh, for
// readModelFile. No OpenGL; nothing is printed.
//
// Of the header's elements, `vertex` gives positions (x y z), normals (nx ny nz), texture
// coordinates (u v, s t or texture_u texture_v) and colors (red green blue: integers scaled by
// their type's largest unsigned value, floats as they are; alpha ignored), of any scalar type;
// `face` gives polygons (the list vertex_indices or vertex_index, of any count and index type),
// drawn as fans. Every other element and property is passed over; an element other than `face`
// that holds faces is told once.
//
// The passes, each handed the previous one's output: header -> elements (vertices kept as given,
// faces fanned into triangles of vertex numbers) -> smoothed normals where the vertices have none
// (smoothIndexedNormals) -> the vertices the faces use, in order of first use -> batches. A file
// whose faces give no triangle (a scan's point cloud) is drawn as its vertices: points, pointing
// away from the middle of their bounds where the file has no normals.

#include "core/files/fileBytes.h"
#include "core/mesh/mesh.h"
#include "core/mesh/modelBytes.h"
#include "core/mesh/problems.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

// True when the file starts with "ply" and a line end, as every PLY file does.
bool hasPlySignature(const unsigned char* first, size_t count, uint64_t fileSize);

// Reads the `size` bytes of a PLY file at `data` (nullptr for none) into `out` (replaced), its
// problems appended to `problems`: whatever the bytes, what can be drawn is drawn, the rest told,
// and nothing is allocated for a count the bytes cannot hold. False, with `out` empty, when
// `progress` stopped it (it is told every MB or so, and between the passes).
bool readPlyBytes(const unsigned char* data, size_t size, Mesh& out, ProblemList& problems,
                  const ReadProgress& progress = ReadProgress());

// Reads the PLY file at `path` as readPlyBytes does, mapped (readModelBytesFile).
FileStatus readPlyFile(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>* cancel = nullptr);
