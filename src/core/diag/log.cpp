#include "core/diag/log.h"

#include "core/platform/platform.h"

#include <cstdarg>
#include <cstdio>

namespace {

// Holds the last message, zero-terminated.
char logBuffer[8192];

// Where messages go besides the debugger channel: standard output, unless it carries data.
FILE* logStream;

} // namespace

void logMessage(const char* format, ...)
{
    if (!format)
        return;

    va_list args;
    va_start(args, format);
    // vsnprintf never writes past the buffer: a longer message is cut at 8191 characters
    if (vsnprintf(logBuffer, sizeof(logBuffer), format, args) < 0)
        logBuffer[0] = '\0';
    va_end(args);

    debugOutput(logBuffer);
    debugOutput("\n");
    FILE* stream = logStream ? logStream : stdout;
    fprintf(stream, "%s\n", logBuffer);
    fflush(stream);  // through a pipe too, each message arrives when it happens
}

void logToStandardError()
{
    logStream = stderr;
}

const char* glErrorName(unsigned code)
{
    switch (code) {
    case 0x0500: return "GL_INVALID_ENUM";
    case 0x0501: return "GL_INVALID_VALUE";
    case 0x0502: return "GL_INVALID_OPERATION";
    case 0x0503: return "GL_STACK_OVERFLOW";
    case 0x0504: return "GL_STACK_UNDERFLOW";
    case 0x0505: return "GL_OUT_OF_MEMORY";
    case 0x0506: return "GL_INVALID_FRAMEBUFFER_OPERATION_OES";
    default: return nullptr;
    }
}

void logGlError(unsigned code)
{
    if (code == 0)
        return;
    if (const char* name = glErrorName(code))
        logMessage("%s", name);
    else
        logMessage("GL_UNKNOWN (%X)", code);
}
