#pragma once
// Reading a Wavefront OBJ file into batches of welded vertices with 16-bit indices: the one way in
// for the viewer, the tests, the fuzzers and the benchmarks. No OpenGL; nothing is printed but by
// logObjReport.
//
// The passes, each handed the previous one's output:
//   text -> records and faces (readObjRecords, or readObjRecordsInSlices on two threads; the faces
//   that carry all their normals are welded as they come, through ObjReadSink) -> missing normals
//   (fillMissingNormals) -> the other faces welded after them (weldCorners) -> batches
//   (splitIntoBatches).

#include "core/files/fileBytes.h"
#include "core/mesh/batches.h"
#include "core/mesh/materials.h"
#include "core/platform/platform.h"
#include "core/mesh/objRecords.h"
#include "core/mesh/objSlices.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

// A file read besides the model, with its stamp taken before it was read.
struct MaterialFile {
    std::string path;
    FileStamp stamp;
};

struct ObjMesh {
    std::vector<Vertex> vertices;   // each batch's vertices, batch after batch
    std::vector<uint16_t> indices;  // three per triangle, in file order (by material within a batch,
                                    // for a mesh with materials), relative to their batch
    std::vector<MeshBatch> batches;
    std::vector<Vector3> colors;    // per vertex, for a file whose positions have colours; else empty
    // for a file that uses materials: the triangles of each batch by material (MeshBatch), and the
    // materials, the default first, then one per usemtl name (as named, defined by the libraries
    // readMeshFile reads, or the default); else both empty
    std::vector<MeshRange> ranges;
    std::vector<Material> materials;
    std::vector<std::string> materialLibraries;  // the mtllib lines
    std::vector<MaterialFile> materialFiles;     // the libraries readMeshFile read or tried, each once
    ObjReport report;
    MaterialReport materialReport;
};

// How a reading goes: who is told of its progress, and on how many threads.
struct ObjReadControl {
    // Told now and then, in order, that the text before `offset` will not be read again, and then,
    // with the whole size, between the passes after the reading: the reading stops, leaving its
    // result empty, when it returns false.
    bool (*passed)(void* context, size_t offset) = nullptr;
    void* context = nullptr;
    // A text of at least two slices of this size is read on two threads (readObjRecordsInSlices);
    // 0 reads every text on the calling thread alone.
    size_t sliceBytes = objSliceBytes;
};

// Reads `size` bytes of OBJ text (no terminator needed) into `out`, replacing what it held; the
// result is the same on one thread or two. False, with `out` empty, when control.passed stopped it.
bool readObjText(const char* text, size_t size, ObjMesh& out, const ObjReadControl& control = ObjReadControl());

// The last pass for a file that uses materials: numbers them as ObjMesh::materials does (the
// default first, then one per usemtl name, named and as the default until the libraries are
// read), renumbering `runs` so, and groups each of out's batches' triangles by them.
void groupMaterials(std::vector<MaterialRun>& runs, const std::vector<std::string>& names, ObjMesh& out);

// Reads the file as readObjText does, then the material libraries it names (from its folder),
// opening it once, without waiting (a FIFO is refused), and
// mapping it where the system can, its pages given back as the reading passes them. Returns
// cannotOpen or outOfMemory, with `out` empty, when the file cannot be viewed, and cancelled, with
// `out` empty, when `cancel` was set while it was read (it is looked at now and then);
// out.report.shrank tells that another program cut the file short while it was read. Running
// out of memory later calls the new handler, as operator new does.
FileStatus readMeshFile(const char* path, ObjMesh& out, const std::atomic<bool>* cancel = nullptr,
                        size_t sliceBytes = objSliceBytes);

// Logs one line per kind of problem in the report, naming the file; nothing for a clean file.
void logObjReport(const ObjReport& report, const char* path);
