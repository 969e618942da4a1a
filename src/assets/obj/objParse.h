#pragma once
// Reading OBJ text into records and triangles. Pure: no OpenGL, no output.

#include "assets/obj/objRecords.h"

#include <cstddef>

// Reads `size` bytes of OBJ text into `out`, replacing what it held. The text is taken in pieces
// as fgets with a 1024-byte buffer takes it: up to and including a newline, at most 1023 bytes.
// Each piece is a line of its own and ends at its first zero byte, except that a piece ending in
// a backslash before its newline goes on with the next piece (the backslash read as a space).
// Lines are classified on their exact first characters: "v ", "vt " and "vn " records, "f "
// faces (polygons fanned into triangles), "s " smoothing groups ("off", 0 or a number); other
// lines are ignored. Problems are counted with the number of the line they start on.
void readObjRecords(const char* text, size_t size, ObjRecords& out);
