#include "core/shader/compileLog.h"

#include <cstring>

namespace {

// Reads a decimal number of at most nine digits at `c`, advancing it.
bool readNumber(const char*& c, const char* end, uint32_t& value)
{
    const char* start = c;
    value = 0;
    while (c < end && *c >= '0' && *c <= '9' && c - start < 9)
        value = value * 10 + uint32_t(*c++ - '0');
    return c > start && (c == end || *c < '0' || *c > '9');
}

bool skip(const char*& c, const char* end, const char* text)
{
    size_t length = strlen(text);
    if (size_t(end - c) < length || memcmp(c, text, length) != 0)
        return false;
    c += length;
    return true;
}

void skipSpaces(const char*& c, const char* end)
{
    while (c < end && *c == ' ')
        ++c;
}

// The severity words before ": " (Mesa's "error", "warning", "preprocessor error"), read into
// `warning`; false when they are neither.
bool readSeverity(const char*& c, const char* end, bool& warning)
{
    const char* colon = static_cast<const char*>(memchr(c, ':', size_t(end - c)));
    if (!colon)
        return false;
    std::string words(c, colon);
    bool isWarning = words.size() >= 7 && words.compare(words.size() - 7, 7, "warning") == 0;
    bool isError = words.size() >= 5 && words.compare(words.size() - 5, 5, "error") == 0;
    if (!isWarning && !isError)
        return false;
    warning = isWarning;
    c = colon + 1;
    skipSpaces(c, end);
    return true;
}

// 0:12(3): error: message
bool readMesa(const char* c, const char* end, LogEntry& out)
{
    out.column = 0;
    if (!readNumber(c, end, out.sourceString) || !skip(c, end, ":") || !readNumber(c, end, out.line) ||
        !skip(c, end, "(") || !readNumber(c, end, out.column) || !skip(c, end, "): ") ||
        !readSeverity(c, end, out.warning))
        return false;
    out.message.assign(c, end);
    return true;
}

// 0(12) : error C1008: message
bool readNvidia(const char* c, const char* end, LogEntry& out)
{
    out.column = 0;
    if (!readNumber(c, end, out.sourceString) || !skip(c, end, "(") || !readNumber(c, end, out.line) ||
        !skip(c, end, ")"))
        return false;
    skipSpaces(c, end);
    if (!skip(c, end, ":"))
        return false;
    skipSpaces(c, end);
    bool warning = skip(c, end, "warning");
    if (!warning && !skip(c, end, "error") && !skip(c, end, "fatal error"))
        return false;
    skipSpaces(c, end);
    out.warning = warning;
    out.message.assign(c, end);
    return true;
}

// ERROR: 0:12: message
bool readUpperCase(const char* c, const char* end, LogEntry& out)
{
    out.column = 0;
    bool warning = skip(c, end, "WARNING: ");
    if (!warning && !skip(c, end, "ERROR: "))
        return false;
    if (!readNumber(c, end, out.sourceString) || !skip(c, end, ":") || !readNumber(c, end, out.line) ||
        !skip(c, end, ":"))
        return false;
    skipSpaces(c, end);
    out.warning = warning;
    out.message.assign(c, end);
    return true;
}

} // namespace

bool readLogLine(const char* begin, const char* end, LogEntry& out)
{
    if (end > begin && end[-1] == '\r')
        --end;
    return readMesa(begin, end, out) || readNvidia(begin, end, out) || readUpperCase(begin, end, out);
}

void appendEditorLine(const std::string& file, uint32_t line, uint32_t column, bool warning,
                      const std::string& message, std::string& out)
{
    out += file + ":" + std::to_string(line) + ":" + std::to_string(column ? column : 1) +
           (warning ? ": warning: " : ": error: ") + message + "\n";
}

void editorLinesOfLog(const char* log, const ShaderSource& source, std::string& out, const std::string& pass)
{
    std::string tag = pass.empty() ? "" : "[" + pass + "] ";
    const char* end = log + strlen(log);
    for (const char* at = log; at < end;) {
        const char* newline = static_cast<const char*>(memchr(at, '\n', size_t(end - at)));
        const char* lineEnd = newline ? newline : end;
        LogEntry entry;
        uint32_t file, line;
        if (readLogLine(at, lineEnd, entry) && entry.sourceString == 0 &&
            sourceLineOf(source, entry.line, file, line))
            appendEditorLine(source.files[file].path, line, entry.column, entry.warning, tag + entry.message, out);
        at = newline ? newline + 1 : end;
    }
}

void editorLinesOfProblems(const ShaderSource& source, std::string& out, const std::string& pass)
{
    std::string tag = pass.empty() ? "" : "[" + pass + "] ";
    for (const SourceProblem& problem : source.problems)
        appendEditorLine(source.files[problem.file].path, problem.line, problem.column, false, tag + problem.message,
                         out);
}
