#pragma once
// The few operating-system services the viewer needs.

#include <cstdint>
#include <cstdio>

// Sends text to the debugger's output channel; does nothing where the platform has none.
void debugOutput(const char* text);

// Milliseconds since system start (or another fixed point where that is not available),
// from a monotonic clock, wrapped to unsigned 32 bits.
uint32_t tickCountMs();

// Opens a regular file for reading in binary mode, never waiting: a FIFO, a device, a socket or a
// directory is refused like a file that cannot be opened (nullptr). `size` gets the file's size
// from the file system, in 64 bits on every platform.
FILE* openRegularFile(const char* path, uint64_t& size);
