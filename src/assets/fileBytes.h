#pragma once
// Reading a whole data file into memory.

#include <cstddef>

struct FileBytes {
    char* data;   // malloc'ed, size + 1 bytes, zero-terminated; nullptr after a failure
    size_t size;  // bytes actually read
};

enum class FileStatus {
    ok,
    cannotOpen,   // missing, unreadable, or not a regular file (a directory, FIFO, device or socket)
    outOfMemory,  // the buffer of size + 1 bytes could not be had
};

// Opens path in binary mode without waiting (openRegularFile), allocates the size the file system
// gives plus one byte and reads it whole. A short read keeps only the bytes actually read
// (zero-terminated after them). On failure `out` is empty.
FileStatus readFileBytes(const char* path, FileBytes& out);

void freeFileBytes(FileBytes& bytes);
