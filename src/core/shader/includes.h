#pragma once
// `#include "file"` in a shader's source: the expanded text the compiler is given, and the map from
// its lines back to the files and lines they came from.

#include "core/files/fileBytes.h"
#include "core/platform/platform.h"

#include <cstdint>
#include <string>
#include <vector>

// A file of a shader's source, as the viewer opens it: the first as named, an included one as
// its name joined to the folder of the file that includes it, with "." and "dir/.." steps folded.
struct SourceFile {
    std::string path;
    FileStamp stamp;  // taken just before the file was read
};

// From expanded line `expandedLine` on, the lines are those of file `file` from line `line` on,
// one for one, up to the next run. Lines count from 1.
struct LineRun {
    uint32_t expandedLine;
    uint32_t file;
    uint32_t line;
};

// An #include that could not be followed, where it stands (column of its file name, from 1).
struct SourceProblem {
    uint32_t file;
    uint32_t line;
    uint32_t column;
    std::string message;
};

struct ShaderSource {
    FileBytes text = {nullptr, 0};        // zero-terminated; the first file's own bytes when it includes nothing
    std::vector<SourceFile> files;        // [0] the file named; then each one an #include names, in order of
                                          // first mention, those that could not be read too
    std::vector<LineRun> runs;            // in order of expandedLine
    std::vector<SourceProblem> problems;  // when any, `text` is not to be compiled
};

// Reads a source file whole into `out`, as readFileBytesUpTo does: one larger than `most` bytes is
// not read (FileStatus::tooLarge); `stamp` is the file's stamp taken before it is read, so that a
// change while it is read shows at the next look.
using ReadSource = FileStatus (*)(void* context, const char* path, uint64_t most, FileBytes& out, FileStamp& stamp);

// The ReadSource of the file system: fileStamp then readFileBytesUpTo. `context` is unused.
FileStatus readSourceFile(void* context, const char* path, uint64_t most, FileBytes& out, FileStamp& stamp);

// Reads the file at `path` with `read` and expands each line `#include "name"` (spaces or tabs
// allowed around '#' and before the name, a comment after it; not inside a /* */ comment, nor in
// a block that is certainly not compiled: under `#if 0`, or an `#elif`/`#else` after a branch of
// `#if 1`) into the text of the file it names, found from the folder of the including file, nested
// up to 32 deep, up to 256 files and 64 MB read in all (the first file's bytes counted; an include
// larger than what is left is not read). An #include under any other condition (#ifdef, #if with
// a macro), which only the compiler can tell, is followed.
// Each file goes in at most once: a later #include of it is dropped; an #include of a file that is
// still being expanded (a cycle), of a file that cannot be read, or written otherwise is a
// problem; so is the first that nests too deep, and the first that passes the bound on files or
// bytes, after which no more files are read (each bound is told once). A `#version` line of an included file becomes an empty line, so the first file's stays
// first. Each file's text ends at its first zero byte; an included file's last line gets a line
// ending. Returns the first file's status: when it is not ok, `out` is empty. Running out of memory
// for the expanded text is a problem too. Whatever `out` held is freed first.
FileStatus expandIncludes(const char* path, ReadSource read, void* context, ShaderSource& out);

void freeShaderSource(ShaderSource& source);

// The file (an index into source.files) and the line that expanded line `expandedLine` comes
// from; lines past the end continue the last run. False for line 0 or an empty map.
bool sourceLineOf(const ShaderSource& source, uint32_t expandedLine, uint32_t& file, uint32_t& line);

// A copy of `source` (text and map) with `line`, without its line ending, as a line of its own
// after expanded line `afterLine` (0: before the first). Every other line still maps to the file
// and line it came from; the inserted one maps to afterLine's (line 1 of the first file for 0).
// False, with `out` empty, when there is no memory for the copy.
bool copyWithLineInserted(const ShaderSource& source, uint32_t afterLine, const std::string& line, ShaderSource& out);
