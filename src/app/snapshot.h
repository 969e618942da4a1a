#pragma once
// Writing a snapshot where the user asked, without ever leaving a file half-written.

#include "app/commandLine.h"

// True when the snapshot goes to standard output: "-", or a path naming the file or pipe standard
// output writes to (/dev/stdout, say).
bool snapshotToStandardOutput(const char* path);

// The input file (model or shader) that writing the snapshot would overwrite, whatever its
// spelling (a link to it, say); nullptr when there is none.
const char* inputOverwrittenBySnapshot(const ViewerOptions& options);

// Writes width x height RGB pixels, bottom row first, as a PNG: to standard output when asked;
// otherwise into a new file beside `path` that replaces it only once the PNG is whole. False when
// it cannot be written; `path` is then as it was.
bool writeSnapshot(const char* path, int width, int height, const unsigned char* bottomUpRgb);
