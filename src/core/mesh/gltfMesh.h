#pragma once
// The glTF reader: a glTF 2.0 model (.gltf with its .bin files and images beside it or as data:
// URIs, or .glb) into a Mesh, for readModelFile. No OpenGL; nothing is printed.
//
// The passes, each handed the previous one's output:
//   the bytes -> the document (readGltfDocument: tinygltf reads the JSON, the buffers are viewed
//   where they lie) -> the meshes the scene draws, with their world transforms
//   (collectGltfInstances) -> each primitive's triangles, transformed, its vertices kept as the
//   file indexes them (appendGltfPrimitive) -> 16-bit batches grouped by material
//   (batchTriangles) -> the materials and the images they map.

#include "core/files/fileBytes.h"
#include "core/mesh/mesh.h"
#include "core/mesh/problems.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

// How a glTF reading goes.
struct GltfOptions {
    bool openFiles = true;                      // false: the files the model names read as missing
    const std::atomic<bool>* cancel = nullptr;  // looked at between primitives
    FileView* view = nullptr;                   // the model's own bytes, given back once read
};

// Reads the glTF (JSON) or GLB bytes of the model at `path` into `out` (replaced), its problems
// appended to `problems`: the default scene's meshes (else the first scene's, else every mesh),
// transformed by their nodes (normals by the inverse transpose, the winding turned where a
// transform mirrors); primitives of triangles, strips and fans (points and lines skipped and
// told); POSITION, NORMAL (flat normals where it is absent), TEXCOORD_0 (v turned to count from
// the bottom, as texture rows are uploaded) and COLOR_0; each material's factors and maps
// (baseColor as the diffuse color, opacity and map). Whatever cannot be read is told and left
// out, the rest drawn. False, with `out` empty, when options.cancel was set.
bool readGltfBytes(const unsigned char* data, size_t size, const std::string& path, const GltfOptions& options,
                   Mesh& out, ProblemList& problems);

// Reads the glTF or GLB file at `path` as readGltfBytes does, viewing it once (mapped where the
// system can); cannotOpen or outOfMemory when it cannot be read, cancelled when `cancel` was set.
FileStatus readGltfFile(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>* cancel);

// True for a GLB file: "glTF" at its first byte.
bool hasGlbSignature(const unsigned char* first, size_t count, uint64_t fileSize);
