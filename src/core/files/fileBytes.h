#pragma once
// Reading a whole data file into memory.

#include <cstddef>
#include <cstdint>

struct FileBytes {
    char* data;   // malloc'ed, size + 1 bytes, zero-terminated; nullptr after a failure
    size_t size;  // bytes actually read
};

enum class FileStatus {
    ok,
    cannotOpen,   // missing, unreadable, or not a regular file (a directory, FIFO, device or socket)
    outOfMemory,  // the buffer of size + 1 bytes could not be had
    cancelled,    // the reading was stopped when asked, its result left empty
    tooLarge,     // larger than the reader was told to take: not read
};

// The message for a file that could not be read, a format taking its path: "Cannot open file [%s]",
// "Not enough memory to read [%s]" or "File [%s] is too large to read". Not meant for
// FileStatus::ok.
const char* unreadableFileMessage(FileStatus status);

// Opens path in binary mode without waiting (openRegularFile), allocates the size the file system
// gives plus one byte and reads it whole. A short read keeps only the bytes actually read
// (zero-terminated after them). On failure `out` is empty.
FileStatus readFileBytes(const char* path, FileBytes& out);

// As readFileBytes, but a file larger than `most` bytes, by the size the file system gives, is
// not read (FileStatus::tooLarge); nor is more than that size ever read of a file that grows.
FileStatus readFileBytesUpTo(const char* path, uint64_t most, FileBytes& out);

void freeFileBytes(FileBytes& bytes);

// A whole file in memory, to be read once from front to back: mapped where the system can, so that
// nothing is copied and the pages read can be given back, read into a buffer otherwise. Not
// zero-terminated.
struct FileView {
    const char* data;  // nullptr for an empty file, or after a failure
    size_t size;
    bool mapped;
    size_t passed;     // the text before it is passed (passFileView)
};

// Opens path once, as readFileBytes does, without waiting, and maps the open file or else reads
// it. On failure `out` is empty.
FileStatus viewFile(const char* path, FileView& out);

// Tells the view that the bytes before `offset` will not be read again.
void passFileView(FileView& view, size_t offset);

// Gives back the mapped pages wholly inside [from, to) of the view, past the part passed, which
// are read again from the file when next looked at: for a view looked over ahead of its reading.
// Nothing for a view read into memory.
void forgetFileViewRange(FileView& view, size_t from, size_t to);

// False when the mapped file was cut short by another program while it was viewed: its missing
// bytes read as zeros.
bool closeFileView(FileView& view);
