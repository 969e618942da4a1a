#pragma once
// The OBJ reader: a Wavefront OBJ file into a Mesh, for readModelFile. No OpenGL; nothing is
// printed.
//
// The passes, each handed the previous one's output:
//   text -> records and faces (readObjRecords, or readObjRecordsInSlices on two threads; the faces
//   that carry all their normals are welded as they come, through ObjReadSink) -> missing normals
//   of the faces kept (addToSmoothing as they are read, finishSmoothing after) -> those faces
//   welded after the others (weldCorners) -> batches (batchTriangles) -> the material libraries.

#include "core/files/fileBytes.h"
#include "core/mesh/mesh.h"
#include "core/mesh/objRecords.h"
#include "core/mesh/objSlices.h"
#include "core/mesh/weldTwoParts.h"
#include "core/mesh/problems.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// What reading OBJ text gives: the mesh (its materials named, as the default until the libraries
// are read), the text's problems, and the libraries its mtllib lines name.
struct ObjMesh {
    Mesh mesh;
    ProblemTallies problems;
    std::vector<std::string> materialLibraries;  // the mtllib lines
};

// How a reading goes: who is told of its progress, and on how many threads.
struct ObjReadControl {
    // Told now and then, in order, that the text before `offset` will not be read again (every MB
    // of text, inside a long line too), the same offset again every stepsBetweenLooks steps of
    // fanning, welding and smoothing, and then, with the whole size, between the passes after the
    // reading: the reading stops, leaving its result empty, when it returns false.
    bool (*passed)(void* context, size_t offset) = nullptr;
    void* context = nullptr;
    // A text of at least two slices of this size is read on two threads (readObjRecordsInSlices);
    // 0 reads every text on the calling thread alone.
    size_t sliceBytes = objSliceBytes;
    // When given, those slices are read on the calling thread alone, in the order it picks (for
    // the tests and the fuzz target: every interleaving of the two threads, deterministically).
    const SliceSchedule* schedule = nullptr;
    // The faces kept for smoothing are welded in two parts, on two threads, when they have at
    // least this many corners (0: never) and the text is read in slices; with a `schedule`, the
    // parts are welded on the calling thread one after the other. The result is the same.
    size_t twoPartWeldCorners = ::twoPartWeldCorners;
    // Told, as the text is cut into slices, that [from, to) was looked at ahead of its reading
    // (ObjReadSink::lookedAhead); nullptr: not told.
    void (*lookedAhead)(void* context, size_t from, size_t to) = nullptr;
};

// Reads `size` bytes of OBJ text (no terminator needed) into `out`, replacing what it held; the
// result is the same on one thread or two. False, with `out` empty, when control.passed stopped it.
bool readObjText(const char* text, size_t size, ObjMesh& out, const ObjReadControl& control = ObjReadControl());

// The last pass for a file that uses materials: numbers them as Mesh::materials does (the
// default first, then one per usemtl name, named and as the default until the libraries are
// read), renumbering `runs` so, and groups each of out's batches' triangles by them.
void groupMaterials(std::vector<MaterialRun>& runs, const std::vector<std::string>& names, Mesh& out);

// Reads the file as readObjText does, then the material libraries it names (from its folder),
// opening it once, without waiting (a FIFO is refused), and mapping it where the system can, its
// pages given back as the reading passes them. Returns cannotOpen or outOfMemory, with `out`
// empty, when the file cannot be viewed, and cancelled, with `out` empty, when `cancel` was set
// while it was read (it is looked at now and then). `problems` gets the text's problems (a
// fileShrank when another program cut the file short while it was read), then those of its
// libraries: those that cannot be read, the statements they have that do not read, and the
// materials none defines. A model none of whose materials a library defines is drawn without
// materials: its materials and ranges are dropped. Running out of memory later calls the new
// handler, as operator new does.
FileStatus readObjFile(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>* cancel = nullptr,
                       size_t sliceBytes = objSliceBytes);

// readObjFile told of its progress through `control`, whose passed is told what readObjText tells
// it (after the file's pages before the offset are given back), then the text's size before each
// material library named: cancelled, with `out` empty, when it returns false.
FileStatus readObjFileWith(const char* path, Mesh& out, ProblemList& problems, const ObjReadControl& control);
