#pragma once
// The file each thread reads, for the one message that cannot be handed it: running out of
// memory, which operator new and the reader's growing arrays report through the new handler,
// without an argument, on whichever thread ran out. Each thread has its own; a thread that a
// reading starts (startReadingThread) has its starter's, so that every thread of a reading, of
// any format, names the file.

#include <thread>

// Names the file the calling thread reads from now on (nullptr: none); the name must stay valid
// until it is named again. Returns the name it had.
const char* setFileBeingRead(const char* path);

// The file the calling thread reads, or nullptr.
const char* fileBeingRead();

// Starts `thread` running work(context) with the calling thread's file being read. False, with
// nothing started, when the system cannot start a thread: the caller then does the work on its
// own thread.
bool startReadingThread(std::thread& thread, void (*work)(void*), void* context);
