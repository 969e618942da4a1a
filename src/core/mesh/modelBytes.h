#pragma once
// Reading a model file whose reader takes its bytes in memory (PLY, STL): the file mapped, its
// pages given back and the cancel flag looked at as the reading goes.

#include "core/files/fileBytes.h"
#include "core/mesh/mesh.h"
#include "core/mesh/problems.h"

#include <atomic>
#include <cstddef>

// Who is told how far a reading of bytes has come.
struct ReadProgress {
    // Told now and then, in order, that the bytes before `offset` will not be read again; the
    // reading stops, its result left empty, when it returns false. nullptr: never stops.
    bool (*passed)(void* context, size_t offset) = nullptr;
    void* context = nullptr;
};

// The bytes a reader reads between two looks at its progress.
constexpr size_t progressEvery = size_t(1) << 20;

// A reading's next look at its progress.
struct ProgressLook {
    const ReadProgress* progress;
    size_t next;  // the offset of the next look
};

// Tells the progress that the bytes before `offset` are passed, once `offset` reaches the next
// look (every progressEvery bytes). False when the reading is to stop.
inline bool goOnAt(ProgressLook& look, size_t offset)
{
    if (offset < look.next)
        return true;
    look.next = offset + progressEvery;
    return !look.progress->passed || look.progress->passed(look.progress->context, offset);
}

// Makes `out` the triangles of the welded mesh, in batches (splitIntoBatchesInPlace: the welded
// vertices must come in order of first use), without materials. Takes the welded mesh's contents.
void batchWeldedTriangles(WeldedMesh& welded, Mesh& out);

// A reader of bytes in memory: reads `size` bytes at `data` (nullptr for none) into `out`
// (replaced), appending its problems to `problems`. False, with `out` empty, when `progress`
// stopped it.
using ModelBytesReader = bool (*)(const unsigned char* data, size_t size, Mesh& out, ProblemList& problems,
                                  const ReadProgress& progress);

// Views the file at `path` (viewFile: mapped where it can be, never waiting on a FIFO) and reads
// it with `read`, giving back its pages as the reading passes them and looking at `cancel` then.
// A file cut short by another program meanwhile adds fileShrank. cannotOpen or outOfMemory when
// the file cannot be viewed, cancelled when `cancel` was set while it was read; `out` is then empty.
FileStatus readModelBytesFile(const char* path, Mesh& out, ProblemList& problems, const std::atomic<bool>* cancel,
                              ModelBytesReader read);
