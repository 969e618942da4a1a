#pragma once
// Reading OBJ text on two threads: the text cut into slices at line ends, read on both threads,
// and put back together in order on the calling thread, which hands the faces on as it goes.

#include "core/mesh/objParse.h"

#include <cstddef>
#include <cstdint>

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

// One step of a reading in slices: what each thread does, whole.
struct SliceStep {
    enum Kind : uint8_t {
        take,     // take the next slice and work out its start: after the slice before as read, or
                  // skimmed from that one's start while it is taken but not read yet
        read,     // read a slice taken, from its start
        putBack,  // put the next slice back, which is read
    } kind;
    size_t slice;
    size_t begin, end;  // the slice's bytes in the text
};

// An order of the steps, for a reading in slices on the calling thread alone: deterministic, yet
// able to come to every interleaving the two threads may (a slice read after the one after it
// was skimmed, a text changed between the two, ...).
struct SliceSchedule {
    // Picks the next step among the `count` that may come next (at least one), listed in this
    // order: taking the next slice (when it may be), reading each slice taken (oldest first),
    // putting the next one back (when it is read). Its result is taken modulo count.
    size_t (*pick)(void* context, const SliceStep* steps, size_t count);
    void* context;
};

// Does what readObjRecords does, with the same result, sink calls and offsets told to
// sink->passed (at the end of the slice that passes each MB, instead of every MB), reading slices
// of about `sliceBytes` (at least 1) on this thread and one more, or, with a `schedule`, on this
// thread alone in the order it picks. A text of fewer than two slices, or with no line end to cut
// it at for more than a few slices (lines ended by a carriage return alone, a text continued by
// backslashes), is read on this thread alone, as is a text when no second thread can be had. At
// most a few slices are read ahead of the last handed on.
SlicedReading readObjRecordsInSlices(const char* text, size_t size, size_t sliceBytes, ObjRecords& out,
                                     const ObjReadSink* sink = nullptr, const SliceSchedule* schedule = nullptr);
