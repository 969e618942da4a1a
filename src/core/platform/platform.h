#pragma once
// The few operating-system services the viewer needs: one source file per system
// (posixPlatform.cpp, win32Platform.cpp), chosen by the build.

#include <cstdint>
#include <cstdio>

// Sends text to the debugger's output channel; does nothing where the platform has none.
void debugOutput(const char* text);

// Asks the processor to start loading the memory at `address`: a hint, nothing where the
// compiler offers no such instruction.
inline void prefetch(const void* address)
{
#if defined(__GNUC__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

// Milliseconds since the process started, from a monotonic clock, wrapped to unsigned 32 bits.
uint32_t tickCountMs();

// Lowers the priority of the calling thread (on Linux also of the threads it starts from now on)
// below the process's other threads, for work in the background: the frames come first, yet the
// work still goes on when other processes keep every core busy. Does nothing where the system
// cannot.
void runInBackground();

// Opens a regular file for reading in binary mode, never waiting: a FIFO, a device, a socket or a
// directory is refused like a file that cannot be opened (nullptr). `size` gets the file's size
// from the file system, in 64 bits on every platform.
FILE* openRegularFile(const char* path, uint64_t& size);

// Maps the first `size` bytes of an open regular file into memory, read-only; nullptr where the
// system or the file system cannot (the caller then reads the file instead). The file may be
// closed afterwards. A size of 0 maps nothing. One file is mapped at a time.
// If another program cuts the file short while it is mapped, reading past its new end does not
// fault: from the first page past it to the end of the mapping, the bytes read as zeros (Windows
// refuses to cut a mapped file instead).
const char* mapOpenFile(FILE* file, uint64_t size);

// Gives back the mapped pages wholly before `offset` from the page holding `from` on (those before
// it given back already), as a reader that is done with them; they are read from the file again
// if touched. Does nothing where the system has no such call.
void releaseMappedPages(const char* data, size_t from, size_t offset);

// Faults in the pages wholly inside [address, address + bytes) for writing, as a first write
// would, without changing what they hold, so that the thread writing them later does not stop for
// them; harmless on memory that another thread writes meanwhile. Nothing where the system cannot.
void prefaultForWriting(const void* address, size_t bytes);

// Unmaps what mapOpenFile mapped. False when the file was cut short while mapped and zeros were
// read in place of its missing bytes.
bool unmapFile(const char* data, uint64_t size);

// What tells one version of a file from the next: whether it is there, its size, the times its
// contents and its status last changed (nanoseconds where the system keeps them), and which file
// it is (device and inode, so that a file put in its place shows even with the same size and
// times, as a re-pointed symbolic link, `cp -p` or an unzip give).
struct FileStamp {
    bool exists;
    uint64_t size;
    int64_t modified;
    int64_t changed;
    uint64_t device;
    uint64_t inode;
};

// The file's stamp, without opening it; exists is false when it cannot be looked at.
FileStamp fileStamp(const char* path);

inline bool sameStamp(const FileStamp& a, const FileStamp& b)
{
    return a.exists == b.exists && a.size == b.size && a.modified == b.modified && a.changed == b.changed &&
           a.device == b.device && a.inode == b.inode;
}

// True when both paths name the same existing file, whatever their spelling (the same device and
// inode; on Windows the same volume and file index).
bool sameFile(const char* a, const char* b);

// True when the path names the file or pipe that standard output writes to (/dev/stdout, say).
bool isStandardOutput(const char* path);

// Opens what `path` names, through any links, for writing in binary mode where it is, when it is
// there and is not a regular file: a FIFO (waiting for its reader), a terminal, a device. Such a
// file is written into, never replaced. nullptr otherwise; `special` tells whether the path names
// such a file (which then could not be opened).
FILE* openSpecialFileToWrite(const char* path, bool& special);

// The file that writing `path` replaces: `path` itself, or for a symbolic link the name at the end
// of its chain of links, relative ones taken from their own folder (it need not exist yet), into
// `target` (at most targetSize bytes with the terminator). False when the chain cannot be followed
// (a loop, a name too long).
bool linkTargetOf(const char* path, char* target, size_t targetSize);

// Creates a new, empty file in the folder of `path`, under a short name of its own (so that it fits
// wherever `path` does), opened for writing in binary mode, with the permissions `path` has (or a
// new file would have); its name goes into `tempPath` (at most tempPathSize bytes with the
// terminator). nullptr when it cannot be made.
FILE* createFileBeside(const char* path, char* tempPath, size_t tempPathSize);

// Puts the file `from` in the place of `to`, replacing what was there in one step.
bool replaceFile(const char* from, const char* to);

// Removes a file; false when it could not.
bool removeFile(const char* path);

// Makes a stream write bytes as they are (no line-ending translation), as a PNG needs.
void setBinaryMode(FILE* stream);

// True when the stream goes to a terminal.
bool isTerminal(FILE* stream);

// Loads the shared library at `path`, its symbols bound at once and kept to itself, and gives the
// address of its symbol `name`; nullptr when either cannot be, with the system's reason in `error`
// (at most errorSize bytes with the terminator) and the library unloaded again. A library loaded
// stays loaded. POSIX only: the Windows build loads no library of its own.
void* loadLibrarySymbol(const char* path, const char* name, char* error, size_t errorSize);

// The folder of the running program's file, its links followed, without a final '/', into `folder`
// (at most folderSize bytes with the terminator); false where the system cannot tell it. POSIX only.
bool programFolder(char* folder, size_t folderSize);
