#pragma once
// A compiler's log, read by line: the lines that name a line of the source, told again as
// `FILE:LINE:COLUMN: error: message` with the file and line of the user's source, which editors
// jump to.

#include "core/shader/includes.h"

#include <cstdint>
#include <string>

// One line of a log that names a place in the source.
struct LogEntry {
    uint32_t sourceString;  // which of the strings given to the compiler: 0 for the viewer's one
    uint32_t line;
    uint32_t column;        // 0 when the driver gives none
    bool warning;           // a warning, else an error
    std::string message;
};

// Reads one line of a log (without its line ending; a '\r' at its end is left out) in the forms
//   Mesa:                      0:12(3): error: message   (also "warning:", "preprocessor error:")
//   NVIDIA:                    0(12) : error C1008: message   (the message keeps its code)
//   AMD, Intel on Windows...:  ERROR: 0:12: message   (also "WARNING:")
// False for any other line, and for one whose severity is neither an error nor a warning.
bool readLogLine(const char* begin, const char* end, LogEntry& out);

// "FILE:LINE:COLUMN: error: message\n" (or "warning:"); column 1 when it is 0.
void appendEditorLine(const std::string& file, uint32_t line, uint32_t column, bool warning,
                      const std::string& message, std::string& out);

// For each line of the zero-terminated log that names a line of source string 0, the editor line
// at the file and line it comes from through `source`'s map, in the log's order. Lines naming
// line 0 or another source string are left out. A pass named (`pass`, such as "BUFFER_0") starts
// each message with "[BUFFER_0] ".
void editorLinesOfLog(const char* log, const ShaderSource& source, std::string& out, const std::string& pass = "");

// The editor line of each of the source's problems, as errors; a named pass as above.
void editorLinesOfProblems(const ShaderSource& source, std::string& out, const std::string& pass = "");
