#pragma once
// The names of the files of a frame sequence.

#include <cstddef>

// Whether a file name pattern holds one printf-style integer field, such as the "%03d" of
// "spin%03d.png": a '%', optional '0' or '-' flags, an optional width of at most 3 digits, and 'd',
// 'i' or 'u'; "%%" is a literal '%'. `valid` is false for a pattern with a field of another kind,
// or more than one.
struct FramePattern {
    bool valid;
    bool hasField;
};

FramePattern readFramePattern(const char* pattern);

// The name of frame `frame` (from 0) of `frameCount`: the pattern's field filled in; or, for a
// pattern without one, the frame number, zero-padded to the width of the last one, put before the
// extension ("spin.png": "spin00.png" ... "spin71.png" for 72 frames; after the whole name when
// the last part has no extension). False when it does not fit in `size` bytes or the pattern is
// not valid.
bool frameFileName(const char* pattern, unsigned frame, unsigned frameCount, char* out, size_t size);
