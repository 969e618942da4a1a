#pragma once
// Reading a mesh file: the OBJ reader on a file's bytes, with its problems reported.

#include "assets/fileBytes.h"
#include "assets/obj/objReader.h"

// Reads, welds and batches the OBJ file into `out` and logs one line per kind of problem found in
// it, naming the file. Returns cannotOpen or outOfMemory, with `out` empty, when the file cannot
// be read into memory; running out of memory later, while reading the text, logs
// "Not enough memory to read [path]" and ends the process with status 1.
FileStatus readMeshFile(const char* path, ObjMesh& out);

// Logs one summary line per kind of problem in the report, naming the file; nothing for a clean file.
void logObjReport(const ObjReport& report, const char* path);
