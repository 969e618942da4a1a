#pragma once
// The diagnostic log: every message of the viewer goes through logMessage.

#include <cstddef>

constexpr size_t logBufferSize = 8192;

// Holds the last message, zero-terminated. Single-threaded use only.
extern char logBuffer[logBufferSize];

// Formats a printf-style message into logBuffer, cut at 8191 characters, and writes it to the
// debugger channel (then a separate "\n") and to standard output followed by one newline.
// A null format prints nothing.
void logMessage(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// The symbolic name of an OpenGL error code, or nullptr for 0 and for codes outside the table.
const char* glErrorName(unsigned code);

// Logs an OpenGL error code as checkGlError does: nothing for 0, the name for a known code,
// "GL_UNKNOWN (%X)" (upper-case hexadecimal, no leading zeros) for any other.
void logGlError(unsigned code);

// Reads one pending OpenGL error with glGetError and logs it with logGlError.
void checkGlError();
