#include "core/shader/includes.h"

#include "core/files/paths.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace {

const int deepestNesting = 32;
// Relative names can make new paths at each level ("a/x" and "b/x" each including both): without
// a bound, the files would grow exponentially with the nesting.
const size_t mostFiles = 256;
const size_t largestText = size_t(64) << 20;

// The expanded text, grown with realloc: running out of memory is a problem, not an exception.
struct TextBuffer {
    char* data;
    size_t size, capacity;
    bool failed;
};

void append(TextBuffer& buffer, const char* text, size_t length)
{
    if (buffer.failed)
        return;
    if (buffer.size + length + 1 > buffer.capacity) {
        size_t capacity = buffer.capacity ? buffer.capacity : 4096;
        while (capacity < buffer.size + length + 1 && capacity < SIZE_MAX / 4)
            capacity *= 2;
        char* grown = static_cast<char*>(realloc(buffer.data, capacity));
        if (!grown || capacity < buffer.size + length + 1) {
            buffer.failed = true;
            return;
        }
        buffer.data = grown;
        buffer.capacity = capacity;
    }
    memcpy(buffer.data + buffer.size, text, length);
    buffer.size += length;
    buffer.data[buffer.size] = '\0';
}

const char* skipBlanks(const char* c, const char* end)
{
    while (c < end && (*c == ' ' || *c == '\t'))
        ++c;
    return c;
}

// Whether the comments of [begin, end) leave the next line inside a /* */ comment, given whether
// this one starts inside one. GLSL has no string literals to hide a comment's marks.
bool endsInsideComment(const char* begin, const char* end, bool inside)
{
    for (const char* c = begin; c < end; ++c) {
        if (inside) {
            if (c + 1 < end && c[0] == '*' && c[1] == '/') {
                inside = false;
                ++c;
            }
        } else if (c + 1 < end && c[0] == '/' && c[1] == '/') {
            return false;
        } else if (c + 1 < end && c[0] == '/' && c[1] == '*') {
            inside = true;
            ++c;
        }
    }
    return inside;
}

// After '#' and blanks: true when the line's directive is the given word.
bool directiveIs(const char* line, const char* end, const char* word, const char*& after)
{
    const char* c = skipBlanks(line, end);
    if (c == end || *c != '#')
        return false;
    c = skipBlanks(c + 1, end);
    size_t length = strlen(word);
    if (size_t(end - c) < length || memcmp(c, word, length) != 0)
        return false;
    c += length;
    if (c < end && (isalnum(static_cast<unsigned char>(*c)) || *c == '_'))
        return false;
    after = c;
    return true;
}

// Where a line stands among the lines before it: inside a /* */ comment or not, and inside which
// conditional blocks (#if, #ifdef, #ifndef to #endif).
struct Conditional {
    bool known;     // every condition so far a number: whether each branch is taken is known
    bool taken;     // a known branch has been taken
    bool skipping;  // this branch is not compiled, for certain
};

struct LineState {
    bool inComment = false;
    std::vector<Conditional> conditionals;
};

// The value of a condition that is a plain number (`0`, `1`, with a comment after it): 0 or 1;
// -1 for any other, which only the compiler can tell.
int numberCondition(const char* c, const char* end)
{
    c = skipBlanks(c, end);
    const char* digits = c;
    bool nonzero = false;
    for (; c < end && *c >= '0' && *c <= '9'; ++c)
        nonzero = nonzero || *c != '0';
    if (c == digits)
        return -1;
    c = skipBlanks(c, end);
    bool commentAfter = c + 1 < end && c[0] == '/' && (c[1] == '/' || c[1] == '*');
    if (c != end && *c != '\r' && !commentAfter)
        return -1;
    return nonzero ? 1 : 0;
}

// Follows the conditional directive on the line [line, end), if it is one.
void followConditional(LineState& state, const char* line, const char* end)
{
    std::vector<Conditional>& open = state.conditionals;
    const char* after;
    if (directiveIs(line, end, "if", after)) {
        int value = numberCondition(after, end);
        open.push_back(value < 0 ? Conditional{false, false, false} : Conditional{true, value == 1, value == 0});
    } else if (directiveIs(line, end, "ifdef", after) || directiveIs(line, end, "ifndef", after)) {
        open.push_back(Conditional{false, false, false});
    } else if (open.empty()) {
        return;
    } else if (directiveIs(line, end, "elif", after)) {
        Conditional& block = open.back();
        int value = numberCondition(after, end);
        bool earlierTaken = block.known && block.taken;
        block.skipping = earlierTaken || value == 0;
        block.known = block.known && value >= 0;
        block.taken = block.taken || (block.known && value == 1);
    } else if (directiveIs(line, end, "else", after)) {
        open.back().skipping = open.back().known && open.back().taken;
    } else if (directiveIs(line, end, "endif", after)) {
        open.pop_back();
    }
}

// True when the line is in a block that is not compiled, for certain: under `#if 0`, or past the
// branch of a known condition that was taken.
bool certainlySkipped(const LineState& state)
{
    for (const Conditional& block : state.conditionals)
        if (block.skipping)
            return true;
    return false;
}

// Takes the line [line, end) into the state, for the lines after it.
void passLine(LineState& state, const char* line, const char* end)
{
    if (!state.inComment)
        followConditional(state, line, end);
    state.inComment = endsInsideComment(line, end, state.inComment);
}

enum class Directive { none, include, malformed };

// Reads `#include "name"` from the line [line, end) (its ending left out). `nameAt` is the name's
// offset in the line.
Directive readInclude(const char* line, const char* end, std::string& name, size_t& nameAt)
{
    const char* c;
    if (!directiveIs(line, end, "include", c))
        return Directive::none;
    c = skipBlanks(c, end);
    nameAt = size_t(c - line) + 1;
    if (c == end || *c != '"')
        return Directive::malformed;
    const char* close = static_cast<const char*>(memchr(c + 1, '"', size_t(end - c - 1)));
    if (!close || close == c + 1)
        return Directive::malformed;
    name.assign(c + 1, close);
    const char* rest = skipBlanks(close + 1, end);
    bool commentAfter = rest + 1 < end && rest[0] == '/' && (rest[1] == '/' || rest[1] == '*');
    if (rest != end && *rest != '\r' && !commentAfter)
        return Directive::malformed;
    return Directive::include;
}

struct Expansion {
    ReadSource read;
    void* context;
    ShaderSource& out;
    TextBuffer text;
    uint32_t expandedLine;                // the line the next text starts on
    std::vector<std::string> folded;      // each file's path, folded, for telling files apart
    std::vector<uint32_t> open;           // the files being expanded, outermost first
    uint64_t bytesRead;                   // of all the files read so far
    bool capped;                          // an #include passed the files' or bytes' bound: told once
    bool tooDeep;                         // one nested too deep: told once
};

void problem(Expansion& x, uint32_t file, uint32_t line, size_t column, const std::string& message)
{
    x.out.problems.push_back(SourceProblem{file, line, uint32_t(column), message});
}

void startRun(Expansion& x, uint32_t file, uint32_t line)
{
    x.out.runs.push_back(LineRun{x.expandedLine, file, line});
}

void expandText(Expansion& x, uint32_t file, const char* text, size_t length);

// Follows `#include "name"` on line `line` of `file`.
void include(Expansion& x, uint32_t file, uint32_t line, size_t column, const std::string& name)
{
    std::string path = pathBeside(x.out.files[file].path, name);
    std::string folded = foldedPath(path);
    uint32_t found = 0;
    while (found < x.folded.size() && x.folded[found] != folded)
        ++found;
    if (found < x.folded.size()) {
        size_t depth = 0;
        while (depth < x.open.size() && x.open[depth] != found)
            ++depth;
        if (depth == x.open.size())
            return;  // once per stage
        std::string cycle;
        for (; depth < x.open.size(); ++depth)
            cycle += x.out.files[x.open[depth]].path + " -> ";
        problem(x, file, line, column, "#include \"" + name + "\" makes a cycle: " + cycle + path);
        return;
    }
    if (x.capped)
        return;  // the stage fails already: one problem says why, not one per #include left
    if (x.open.size() >= size_t(deepestNesting)) {
        if (!x.tooDeep)
            problem(x, file, line, column, "#include \"" + name + "\" nests deeper than 32 files");
        x.tooDeep = true;
        return;
    }
    if (x.out.files.size() >= mostFiles) {
        problem(x, file, line, column, "#include \"" + name + "\" makes more than 256 files");
        x.capped = true;
        return;
    }
    uint32_t index = uint32_t(x.out.files.size());
    x.out.files.push_back(SourceFile{path, FileStamp()});
    x.folded.push_back(folded);
    FileBytes bytes = {nullptr, 0};
    uint64_t left = x.bytesRead < largestText ? largestText - x.bytesRead : 0;
    FileStatus status = x.read(x.context, path.c_str(), left, bytes, x.out.files[index].stamp);
    if (status == FileStatus::tooLarge) {
        problem(x, file, line, column, "#include \"" + name + "\" makes more than 64 MB of source");
        x.capped = true;
        return;
    }
    if (status != FileStatus::ok) {
        const char* why = status == FileStatus::outOfMemory ? "not enough memory to read" : "cannot open";
        problem(x, file, line, column, "#include \"" + name + "\": " + why + " [" + path + "]");
        return;
    }
    x.bytesRead += bytes.size;
    x.open.push_back(index);
    expandText(x, index, bytes.data, strlen(bytes.data));
    x.open.pop_back();
    freeFileBytes(bytes);
}

// Appends the file's text with its #include lines expanded, recording where each run comes from.
void expandText(Expansion& x, uint32_t file, const char* text, size_t length)
{
    const char* end = text + length;
    LineState state;
    uint32_t line = 1;
    startRun(x, file, 1);
    for (const char* at = text; at < end; ++line) {
        const char* newline = static_cast<const char*>(memchr(at, '\n', size_t(end - at)));
        const char* lineEnd = newline ? newline : end;
        const char* next = newline ? newline + 1 : end;
        std::string name;
        size_t column = 0;
        bool inComment = state.inComment;
        // an #include under #if 0 stays as it is, for the compiler to skip
        Directive directive =
            inComment || certainlySkipped(state) ? Directive::none : readInclude(at, lineEnd, name, column);
        const char* after;
        if (directive == Directive::include) {
            include(x, file, line, column, name);
            startRun(x, file, line + 1);
        } else {
            if (directive == Directive::malformed)
                problem(x, file, line, column, "#include takes a file name in double quotes");
            bool dropped = file != 0 && !inComment && directiveIs(at, lineEnd, "version", after);
            const char* kept = dropped ? (lineEnd > at && lineEnd[-1] == '\r' ? lineEnd - 1 : lineEnd) : at;
            append(x.text, kept, size_t(next - kept));
            if (!newline && file != 0)
                append(x.text, "\n", 1);  // the including file goes on on a line of its own
            x.expandedLine += 1;
        }
        passLine(state, at, lineEnd);
        at = next;
    }
}

// True when the text has a line that expandText would take as an #include (or a broken one).
bool hasInclude(const char* text, size_t length)
{
    const char* end = text + length;
    LineState state;
    for (const char* at = text; at < end;) {
        const char* newline = static_cast<const char*>(memchr(at, '\n', size_t(end - at)));
        const char* lineEnd = newline ? newline : end;
        std::string name;
        size_t column;
        if (!state.inComment && !certainlySkipped(state) && readInclude(at, lineEnd, name, column) != Directive::none)
            return true;
        passLine(state, at, lineEnd);
        at = newline ? newline + 1 : end;
    }
    return false;
}

} // namespace

FileStatus readSourceFile(void*, const char* path, uint64_t most, FileBytes& out, FileStamp& stamp)
{
    stamp = fileStamp(path);
    return readFileBytesUpTo(path, most, out);
}

FileStatus expandIncludes(const char* path, ReadSource read, void* context, ShaderSource& out)
{
    freeShaderSource(out);
    out.files.push_back(SourceFile{path, FileStamp()});
    FileBytes root = {nullptr, 0};
    FileStatus status = read(context, path, UINT64_MAX, root, out.files[0].stamp);
    if (status != FileStatus::ok) {
        freeShaderSource(out);
        return status;
    }
    size_t length = strlen(root.data);
    if (!hasInclude(root.data, length)) {
        out.text = root;
        out.runs.push_back(LineRun{1, 0, 1});
        return FileStatus::ok;
    }
    Expansion x{read, context, out, TextBuffer{nullptr, 0, 0, false}, 1, {foldedPath(path)}, {0}, root.size, false, false};
    append(x.text, "", 0);
    expandText(x, 0, root.data, length);
    freeFileBytes(root);
    if (x.text.failed) {
        free(x.text.data);
        x.text = TextBuffer{nullptr, 0, 0, false};
        out.problems.push_back(SourceProblem{0, 1, 1, "not enough memory for the source with its #include files"});
    }
    out.text = FileBytes{x.text.data, x.text.size};
    return FileStatus::ok;
}

void freeShaderSource(ShaderSource& source)
{
    freeFileBytes(source.text);
    source = ShaderSource();
}

bool sourceLineOf(const ShaderSource& source, uint32_t expandedLine, uint32_t& file, uint32_t& line)
{
    const std::vector<LineRun>& runs = source.runs;
    if (expandedLine == 0 || runs.empty())
        return false;
    // the last run that starts at or before the line; runs of no lines are passed over
    size_t low = 0, high = runs.size();
    while (high - low > 1) {
        size_t middle = (low + high) / 2;
        if (runs[middle].expandedLine <= expandedLine)
            low = middle;
        else
            high = middle;
    }
    file = runs[low].file;
    line = runs[low].line + (expandedLine - runs[low].expandedLine);
    return true;
}

bool copyWithLineInserted(const ShaderSource& source, uint32_t afterLine, const std::string& line, ShaderSource& out)
{
    freeShaderSource(out);
    const char* text = source.text.data ? source.text.data : "";
    size_t size = source.text.data ? source.text.size : 0;
    // where line afterLine + 1 starts; a last line without its line ending gets one
    size_t at = 0;
    bool needsEnd = false;
    for (uint32_t l = 0; l < afterLine; ++l) {
        const char* newline = static_cast<const char*>(memchr(text + at, '\n', size - at));
        if (!newline) {
            at = size;
            needsEnd = true;
            break;
        }
        at = size_t(newline - text) + 1;
    }
    size_t length = size + line.size() + 2;
    char* copy = static_cast<char*>(malloc(length + 1));
    if (!copy)
        return false;
    size_t written = 0;
    memcpy(copy, text, at);
    written += at;
    if (needsEnd)
        copy[written++] = '\n';
    memcpy(copy + written, line.data(), line.size());
    written += line.size();
    copy[written++] = '\n';
    memcpy(copy + written, text + at, size - at);
    written += size - at;
    copy[written] = '\0';
    out.text = FileBytes{copy, written};
    out.files = source.files;
    out.problems = source.problems;

    uint32_t file = 0, fileLine = 1;
    for (const LineRun& run : source.runs)
        if (run.expandedLine <= afterLine)
            out.runs.push_back(run);
    if (afterLine > 0)
        sourceLineOf(source, afterLine, file, fileLine);
    out.runs.push_back(LineRun{afterLine + 1, file, fileLine});
    if (sourceLineOf(source, afterLine + 1, file, fileLine))
        out.runs.push_back(LineRun{afterLine + 2, file, fileLine});
    for (const LineRun& run : source.runs)
        if (run.expandedLine > afterLine + 1)
            out.runs.push_back(LineRun{run.expandedLine + 1, run.file, run.line});
    return true;
}
