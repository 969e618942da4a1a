// #include expansion with its line map, and compile logs told again as editor lines, on recorded
// files and logs: one table each.

#include "core/shader/compileLog.h"
#include "core/shader/includes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <algorithm>
#include <string>

namespace {

using Files = std::map<std::string, std::string>;

// A ReadSource over files held in memory.
FileStatus readFromTable(void* context, const char* path, uint64_t most, FileBytes& out, FileStamp& stamp)
{
    const Files& files = *static_cast<const Files*>(context);
    stamp = FileStamp();
    auto found = files.find(path);
    if (found == files.end())
        return FileStatus::cannotOpen;
    if (found->second.size() > most)
        return FileStatus::tooLarge;
    out.size = found->second.size();
    out.data = static_cast<char*>(malloc(out.size + 1));
    memcpy(out.data, found->second.data(), out.size);
    out.data[out.size] = '\0';
    return FileStatus::ok;
}

// Line `number` (from 1) of the text, without its ending, and whether there is one.
bool lineOf(const std::string& text, uint32_t number, std::string& line)
{
    size_t start = 0;
    for (uint32_t i = 1; i < number; ++i) {
        start = text.find('\n', start);
        if (start == std::string::npos)
            return false;
        ++start;
    }
    if (start >= text.size())
        return false;
    line = text.substr(start, text.find('\n', start) - start);
    return true;
}

struct IncludeCase {
    const char* what;
    Files files;               // the first file read is "shaders/main.frag"
    std::string expanded;      // the text the compiler is given
    std::string problems;      // as editor lines
    std::string filesRead;     // source.files' paths, one a line
};

const std::string version = "#version 120\n";

const IncludeCase includeCases[] = {
    {"a file without #include is given as it is",
     {{"shaders/main.frag", "#version 120\r\n// #include \"x\"\r\n/*\n#include \"y\"\n*/ void main() {}"}},
     "#version 120\r\n// #include \"x\"\r\n/*\n#include \"y\"\n*/ void main() {}", "", "shaders/main.frag\n"},
    {"nested, from each including file's folder, each file once",
     {{"shaders/main.frag", version + "#include \"lib/noise.glsl\"\n  #  include \"common.glsl\" // again\nvoid main() {}\n"},
      {"shaders/lib/noise.glsl", "#include \"../common.glsl\"\n#include \"./hash.glsl\"\nfloat noise();\n"},
      {"shaders/common.glsl", "const float pi = 3.14159;\n"},
      {"shaders/lib/hash.glsl", "float hash();"}},
     version + "const float pi = 3.14159;\nfloat hash();\nfloat noise();\nvoid main() {}\n", "",
     "shaders/main.frag\nshaders/lib/noise.glsl\nshaders/common.glsl\nshaders/lib/hash.glsl\n"},
    {"an included #version goes, the first stays; text ends at a zero byte",
     {{"shaders/main.frag", version + "#include \"a.glsl\"\nvoid main() {}\n"},
      {"shaders/a.glsl", std::string("  #version 110\r\nfloat a;\n\0float b;\n", 35)}},
     version + "\r\nfloat a;\nvoid main() {}\n", "", "shaders/main.frag\nshaders/a.glsl\n"},
    {"an #include the compiler certainly skips is left to it: under #if 0, past a branch of #if 1; "
     "under a condition only the compiler can tell, it is followed",
     {{"shaders/main.frag", version + "#if 0\n#if 1\n#include \"gone.glsl\"\n#endif\n#elif 1 // on\n#include \"a.glsl\"\n"
                            "#else\n#include \"gone.glsl\"\n#endif\n#ifdef X\n#include \"b.glsl\"\n#elif 0\n"
                            "#include <gone>\n#endif\n/*\n#if 0\n*/\n#include \"c.glsl\"\n"},
      {"shaders/a.glsl", "float a;\n"}, {"shaders/b.glsl", "float b;\n"}, {"shaders/c.glsl", "float c;\n"}},
     version + "#if 0\n#if 1\n#include \"gone.glsl\"\n#endif\n#elif 1 // on\nfloat a;\n#else\n#include \"gone.glsl\"\n"
               "#endif\n#ifdef X\nfloat b;\n#elif 0\n#include <gone>\n#endif\n/*\n#if 0\n*/\nfloat c;\n",
     "", "shaders/main.frag\nshaders/a.glsl\nshaders/b.glsl\nshaders/c.glsl\n"},
    {"a cycle, a missing file and a malformed #include are problems at their lines",
     {{"shaders/main.frag", version + "#include \"a.glsl\"\n#include \"gone.glsl\"\n#include <b.glsl>\n"},
      {"shaders/a.glsl", "float a;\n#include \"b.glsl\"\n"},
      {"shaders/b.glsl", "\n#include \"a.glsl\"\n#include \"main.frag\"\n"}},
     version + "float a;\n\n#include <b.glsl>\n",
     "shaders/b.glsl:2:10: error: #include \"a.glsl\" makes a cycle: shaders/a.glsl -> shaders/b.glsl -> "
     "shaders/a.glsl\n"
     "shaders/b.glsl:3:10: error: #include \"main.frag\" makes a cycle: shaders/main.frag -> shaders/a.glsl -> "
     "shaders/b.glsl -> shaders/main.frag\n"
     "shaders/main.frag:3:10: error: #include \"gone.glsl\": cannot open [shaders/gone.glsl]\n"
     "shaders/main.frag:4:10: error: #include takes a file name in double quotes\n",
     "shaders/main.frag\nshaders/a.glsl\nshaders/b.glsl\nshaders/gone.glsl\n"},
};

std::string problemsOf(const ShaderSource& source)
{
    std::string lines;
    editorLinesOfProblems(source, lines);
    return lines;
}

} // namespace

TEST(Includes, ExpandAsTheTableSaysAndMapEveryLineBack)
{
    for (const IncludeCase& c : includeCases) {
        SCOPED_TRACE(c.what);
        ShaderSource source;
        ASSERT_EQ(expandIncludes("shaders/main.frag", readFromTable, const_cast<Files*>(&c.files), source),
                  FileStatus::ok);
        std::string expanded(source.text.data, source.text.size);
        EXPECT_EQ(expanded, c.expanded);
        EXPECT_EQ(source.text.data[source.text.size], '\0');
        EXPECT_EQ(problemsOf(source), c.problems);
        std::string filesRead;
        for (const SourceFile& file : source.files)
            filesRead += file.path + "\n";
        EXPECT_EQ(filesRead, c.filesRead);
        // each expanded line is the line the map names, but for a dropped #version
        std::string line, original;
        for (uint32_t number = 1; lineOf(expanded, number, line); ++number) {
            uint32_t file = 99, at = 0;
            ASSERT_TRUE(sourceLineOf(source, number, file, at));
            ASSERT_LT(file, source.files.size());
            ASSERT_TRUE(lineOf(c.files.at(source.files[file].path), at, original)) << number;
            if (original.find("#version") == std::string::npos || file == 0) {
                EXPECT_EQ(line, original) << number;
            }
        }
        freeShaderSource(source);
    }
}

TEST(Includes, UnreadableFirstFileLeavesNothing)
{
    Files none;
    ShaderSource source;
    EXPECT_EQ(expandIncludes("main.frag", readFromTable, &none, source), FileStatus::cannotOpen);
    EXPECT_EQ(source.text.data, nullptr);
    EXPECT_TRUE(source.files.empty());
    uint32_t file, line;
    EXPECT_FALSE(sourceLineOf(source, 1, file, line));
}

TEST(Includes, NestingStopsAt32Files)
{
    Files files;
    for (int i = 0; i < 40; ++i)
        files["f" + std::to_string(i)] = "#include \"f" + std::to_string(i + 1) + "\"\n";
    ShaderSource source;
    ASSERT_EQ(expandIncludes("f0", readFromTable, &files, source), FileStatus::ok);
    EXPECT_EQ(problemsOf(source), "f31:1:10: error: #include \"f32\" nests deeper than 32 files\n");
    freeShaderSource(source);
}

TEST(Includes, PathsThatMultiplyStopAt256Files)
{
    // every file includes "a/x" and "b/x": 2^32 paths at full depth, each a new file
    auto bothFolders = [](void*, const char*, uint64_t, FileBytes& out, FileStamp& stamp) {
        const char text[] = "#include \"a/x\"\n#include \"b/x\"\n";
        stamp = FileStamp();
        out.size = sizeof(text) - 1;
        out.data = static_cast<char*>(malloc(sizeof(text)));
        memcpy(out.data, text, sizeof(text));
        return FileStatus::ok;
    };
    ShaderSource source;
    ASSERT_EQ(expandIncludes("x", bothFolders, nullptr, source), FileStatus::ok);
    EXPECT_EQ(source.files.size(), 256u);
    // each bound told once, not once for each #include past it
    ASSERT_EQ(source.problems.size(), 2u);
    EXPECT_NE(source.problems[0].message.find("nests deeper than 32 files"), std::string::npos);
    EXPECT_NE(source.problems[1].message.find("more than 256 files"), std::string::npos);
    freeShaderSource(source);
}

namespace {

// A ReadSource of "main", which includes a, b and c, and of those, blank files of the sizes given
// in megabytes; notes the files it reads.
struct SizedFiles {
    std::map<std::string, size_t> megabytes;
    std::string read;
};

FileStatus readSized(void* context, const char* path, uint64_t most, FileBytes& out, FileStamp& stamp)
{
    SizedFiles& sized = *static_cast<SizedFiles*>(context);
    const std::string text = strcmp(path, "main") ? "" : "#include \"a\"\n#include \"b\"\n#include \"c\"\n";
    stamp = FileStamp();
    out.size = std::max(text.size(), sized.megabytes[path] << 20);
    if (out.size > most)
        return FileStatus::tooLarge;
    sized.read += std::string(path) + " ";
    out.data = static_cast<char*>(malloc(out.size + 1));
    memset(out.data, ' ', out.size);
    memcpy(out.data, text.data(), text.size());
    out.data[out.size] = '\0';
    return FileStatus::ok;
}

} // namespace

TEST(Includes, SourceStopsAt64MegabytesOfWhatIsRead)
{
    const struct {
        size_t a, b, c;       // MB
        const char* problem;  // "" for none
        const char* read;
    } cases[] = {
        {30, 30, 3, "", "main a b c "},
        // two of 60 MB: the second is not read, nor any after it
        {60, 60, 0, "main:2:10: error: #include \"b\" makes more than 64 MB of source\n", "main a "},
        // one of 73 MB: not read
        {73, 0, 0, "main:1:10: error: #include \"a\" makes more than 64 MB of source\n", "main "},
    };
    for (const auto& c : cases) {
        SizedFiles sized{{{"a", c.a}, {"b", c.b}, {"c", c.c}}, ""};
        ShaderSource source;
        ASSERT_EQ(expandIncludes("main", readSized, &sized, source), FileStatus::ok);
        EXPECT_EQ(problemsOf(source), c.problem);
        EXPECT_EQ(sized.read, c.read);
        freeShaderSource(source);
    }
}

namespace {

// Recorded log lines and what they are told as, through the map of main.frag, whose line 2
// includes noise.glsl's three lines: expanded lines 2 to 4 are noise.glsl's 1 to 3, line 5 is
// main.frag's 3.
struct LogCase {
    const char* driver;
    const char* line;
    const char* told;  // "" when the line names no place
};

const LogCase logCases[] = {
    {"Mesa", "0:7(1): error: syntax error, unexpected '}', expecting ',' or ';'",
     "main.frag:5:1: error: syntax error, unexpected '}', expecting ',' or ';'"},
    {"Mesa", "0:3(12): warning: `x' used uninitialized", "noise.glsl:2:12: warning: `x' used uninitialized"},
    {"Mesa", "0:2(1): preprocessor error: Unterminated #if", "noise.glsl:1:1: error: Unterminated #if"},
    {"Mesa", "0:0(0): error: no main", ""},
    {"Mesa", "error: linking with uncompiled/unspecialized shader", ""},
    {"NVIDIA", "0(4) : error C1008: undefined variable \"foo\"", "noise.glsl:3:1: error: C1008: undefined variable \"foo\""},
    {"NVIDIA", "0(1) : warning C7532: global type sampler2D requires \"#version 100\" or later\r",
     "main.frag:1:1: warning: C7532: global type sampler2D requires \"#version 100\" or later"},
    {"NVIDIA", "0(5) : fatal error C9999: too many errors", "main.frag:3:1: error: C9999: too many errors"},
    {"AMD", "ERROR: 0:5: 'foo' : undeclared identifier ", "main.frag:3:1: error: 'foo' : undeclared identifier "},
    {"AMD", "WARNING: 0:3: 'texture2D' : function is deprecated", "noise.glsl:2:1: warning: 'texture2D' : function is deprecated"},
    {"AMD", "ERROR: 2 compilation errors.  No code generated.", ""},
    {"Intel on Windows", "ERROR: 0:9: '}' : syntax error syntax error", "main.frag:7:1: error: '}' : syntax error syntax error"},
    {"another source string", "1:3(4): error: x", ""},
    {"a number too long", "0:12345678901(2): error: x", ""},
};

} // namespace

TEST(CompileLog, RecordedLinesAreToldAtTheirFileAndLine)
{
    Files files = {{"main.frag", "#version 120\n#include \"noise.glsl\"\nvoid main()\n"},
                   {"noise.glsl", "a\nb\nc\n"}};
    ShaderSource source;
    ASSERT_EQ(expandIncludes("main.frag", readFromTable, &files, source), FileStatus::ok);
    std::string log, expected;
    for (const LogCase& c : logCases) {
        std::string told;
        editorLinesOfLog(c.line, source, told);
        EXPECT_EQ(told, *c.told ? std::string(c.told) + "\n" : "") << c.driver << ": " << c.line;
        log += std::string(c.line) + "\n";
        expected += told;
    }
    // a whole log gives the lines of its lines, in order
    std::string told;
    editorLinesOfLog(log.c_str(), source, told);
    EXPECT_EQ(told, expected);
    freeShaderSource(source);
}
