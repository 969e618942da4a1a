#pragma once
// Reading OBJ text on two threads: the text cut into slices at line ends, read on both threads,
// and put back together in order on the calling thread, which hands the faces on as it goes.

#include "core/mesh/objParse.h"

#include <cstddef>

// Slices of about this size keep both threads busy while holding little text and few faces
// ahead of the faces handed on.
constexpr size_t objSliceBytes = size_t(256) << 10;

// How a reading in slices ended.
enum class SlicedReading {
    read,         // whole, as readObjRecords would have read it
    stopped,      // sink->passed stopped it; `out` is empty
    textChanged,  // the text changed under the reading (a file written meanwhile): what the two
                  // threads read does not fit together, and `out` must not be used
};

// Does what readObjRecords does, with the same result, sink calls and offsets told to
// sink->passed (at the end of the slice that passes each MB, instead of every MB), reading slices
// of about `sliceBytes` (at least 1) on this thread and one more. A text of fewer than two slices,
// or with no line end to cut it at for more than a few slices (lines ended by a carriage return
// alone, a text continued by backslashes), is read on this thread alone. At most a few slices are
// read ahead of the last handed on.
SlicedReading readObjRecordsInSlices(const char* text, size_t size, size_t sliceBytes, ObjRecords& out,
                                     const ObjReadSink* sink = nullptr);
