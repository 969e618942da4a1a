#pragma once
// Snapshots: one frame or a sequence, drawn offscreen and written where the user asked, without
// ever leaving a file half-written.

#include "app/viewer.h"

// True when the snapshot goes to standard output: "-", or a path naming the file or pipe standard
// output writes to (/dev/stdout, say).
bool snapshotToStandardOutput(const char* path);

// The input file named on the command line (model, shader, texture) that writing `path` would
// overwrite, whatever its spelling (a link to it, say); nullptr when there is none.
const char* inputOverwrittenBySnapshot(const ViewerOptions& options, const char* path);

// Writes width x height pixels of `channels` (3 or 4), bottom row first, as a PNG: to standard
// output when asked; into what `path` names when that is no regular file (a FIFO, a terminal, a
// device); otherwise into a new file beside the file it names (through its links, which stay)
// that replaces that file only once the PNG is whole. False when it cannot be written; a regular
// file is then as it was.
bool writeSnapshot(const char* path, int width, int height, int channels, const unsigned char* bottomUp);

// Draws the snapshot's frames offscreen at `width` x `height` (or the --size asked) and writes
// them as the options say: one PNG; --frames N of them, named after the pattern, at --at plus
// i 2 pi / N seconds (one turn of the spin) or i / --fps; standard output, as PNG or --raw RGBA
// rows top to bottom; --transparent: RGBA with the background clear and the model opaque. A
// sequence of more than a second shows its progress on a terminal. Needs a current context with
// the scene set up. Returns the exit status: 0, or 1 with the reason logged ("Cannot write
// snapshot [file]" naming the frame's file; the frames written before stay whole), or 2, before
// any frame is drawn, when any frame would overwrite a file the viewer read (a material library,
// a map or an include too).
int writeSnapshotFrames(Viewer& viewer, int width, int height);
