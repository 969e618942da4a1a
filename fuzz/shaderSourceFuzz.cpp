// Fuzzes reading a whole source file: the bytes come back unchanged and zero-terminated, and the
// text the compiler is given ends at the first zero byte.

#include "core/files/fileBytes.h"

#include <cstdint>
#include <cstdio>
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
    return 0;
}
