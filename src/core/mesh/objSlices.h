#pragma once
// Reading OBJ text on two threads: the text cut into slices at line ends, read on both threads,
// and put back together in order on the calling thread, which hands the faces on as it goes.

#include "core/mesh/objParse.h"

#include <cstddef>

// Slices of about this size keep both threads busy while holding little text and few faces
// ahead of the faces handed on.
constexpr size_t objSliceBytes = size_t(256) << 10;

// Does what readObjRecords does, with the same result, sink calls and offsets told to
// sink->passed (at the end of the slice that passes each MB, instead of every MB), reading slices of about `sliceBytes`
// (at least 1) on this thread and one more. A text of fewer than two slices is read on this thread
// alone. At most a few slices are read ahead of the last handed on.
bool readObjRecordsInSlices(const char* text, size_t size, size_t sliceBytes, ObjRecords& out,
                            const ObjReadSink* sink = nullptr);
