// Fuzzes reading a whole source file: the bytes come back unchanged and zero-terminated, and the
// text the compiler is given ends at the first zero byte. The same bytes are then expanded as a
// shader whose every #include names a file of the same bytes, and read as a compiler's log: each
// line of the expansion maps back to a file that was read.

#include "core/files/fileBytes.h"
#include "core/shader/compileLog.h"
#include "core/shader/includes.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

void check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

struct ScratchFile {
    std::string path = "/tmp/spinview-fuzz-source-" + std::to_string(getpid()) + ".glsl";
    ~ScratchFile() { unlink(path.c_str()); }
};

const std::string& scratchPath()
{
    static const ScratchFile file;
    return file.path;
}

struct Bytes {
    const uint8_t* data;
    size_t size;
};

// Every path reads as the fuzzer's bytes.
FileStatus readSameBytes(void* context, const char*, uint64_t most, FileBytes& out, FileStamp& stamp)
{
    const Bytes& bytes = *static_cast<const Bytes*>(context);
    stamp = FileStamp();
    if (bytes.size > most)
        return FileStatus::tooLarge;
    out.data = static_cast<char*>(malloc(bytes.size + 1));
    memcpy(out.data, bytes.data, bytes.size);
    out.data[bytes.size] = '\0';
    out.size = bytes.size;
    return FileStatus::ok;
}

void checkExpansion(const uint8_t* data, size_t size)
{
    Bytes bytes = {data, size};
    ShaderSource source;
    check(expandIncludes("shaders/main.frag", readSameBytes, &bytes, source) == FileStatus::ok);
    check(source.text.data && source.text.data[source.text.size] == '\0');
    size_t lines = 1;
    for (size_t i = 0; i < source.text.size; ++i)
        lines += source.text.data[i] == '\n';
    for (uint32_t line = 1; line <= lines; ++line) {
        uint32_t file = 0, at = 0;
        check(sourceLineOf(source, line, file, at) && file < source.files.size() && at >= 1);
    }
    std::string told;
    editorLinesOfLog(source.text.data, source, told);
    editorLinesOfProblems(source, told);
    freeShaderSource(source);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* file = fopen(scratchPath().c_str(), "wb");
    if (!file)
        return 0;
    bool written = fwrite(data, 1, size, file) == size;
    if (fclose(file) != 0 || !written)
        return 0;

    FileBytes source;
    check(readFileBytes(scratchPath().c_str(), source) == FileStatus::ok);
    check(source.size == size);
    check(size == 0 || memcmp(source.data, data, size) == 0);
    check(source.data[source.size] == '\0');
    const void* firstZero = memchr(data, 0, size);
    size_t textLength = firstZero ? size_t(static_cast<const uint8_t*>(firstZero) - data) : size;
    check(strlen(source.data) == textLength);
    freeFileBytes(source);
    checkExpansion(data, size);
    return 0;
}
