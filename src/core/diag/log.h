#pragma once
// The diagnostic log: every message of the viewer goes through logMessage.

// Formats a printf-style message into the log's buffer of 8192 bytes, cut at 8191 characters,
// and writes it to the debugger channel (then a separate "\n") and to standard output followed
// by one newline, flushed at once. A null format prints nothing. Main thread only, but for the
// last words of a process running out of memory: the buffer is shared.
void logMessage(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Sends the messages to standard error instead of standard output, which then carries data.
void logToStandardError();

// The symbolic name of an OpenGL error code, or nullptr for 0 and for codes outside the table.
const char* glErrorName(unsigned code);

// Logs an OpenGL error code as checkGlError does: nothing for 0, the name for a known code,
// "GL_UNKNOWN (%X)" (upper-case hexadecimal, no leading zeros) for any other.
void logGlError(unsigned code);
