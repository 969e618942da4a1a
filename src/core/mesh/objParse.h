#pragma once
// Reading OBJ text into records and faces. Knows nothing of what follows: faces that need nothing
// more can be handed on as they come, through a sink.

#include "core/mesh/objRecords.h"

#include <cstddef>

// Where readObjRecords may hand on the reading as it goes; every member is optional.
struct ObjReadSink {
    // Faces whose corners all have normals, while no face before them lacked one, need nothing
    // from the rest of the text: they are handed on in batches of a few thousand corners, in
    // records.corners, which takeFaces must empty. From the first face that lacks a normal on,
    // faces are kept in out.corners (with their smoothing groups and polygons) and never handed on.
    void (*takeFaces)(void* context, ObjRecords& records);
    // Told now and then that the text before `offset` will not be read again.
    void (*passed)(void* context, size_t offset);
    void* context;
};

// Reads `size` bytes of OBJ text into `out`, replacing what it held. The text is taken in pieces
// as fgets with a 1024-byte buffer takes it: up to and including a newline, at most 1023 bytes,
// but that a face line (a piece starting "f ", and the lines continuing it) is read up to its
// newline however long it is. Each piece is a line of its own and ends at its first zero byte, except that a piece ending in
// a backslash before its newline goes on with the next piece (the backslash read as a space); the
// last piece, without a newline, goes on into the end of the text, which ends the line, when it
// would go on had the text a final newline.
// Lines are classified on their exact first characters: "v ", "vt " and "vn " records, "f "
// faces (polygons fanned into triangles), "s " smoothing groups ("off", 0 or a number); other
// lines are ignored. Problems are counted with the number of the line they start on. The text
// needs no terminator: nothing past `size` is read.
void readObjRecords(const char* text, size_t size, ObjRecords& out, const ObjReadSink* sink = nullptr);
