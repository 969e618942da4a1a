#include "assets/fileBytes.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// Size of an open file, or -1 when it cannot be read; leaves the position at the start.
long fileSize(FILE* file)
{
    // a directory opens on some systems but fails its first read
    int first = getc(file);
    if (first == EOF && ferror(file))
        return -1;
    if (fseek(file, 0, SEEK_END) != 0)
        return -1;
    long size = ftell(file);
    if (fseek(file, 0, SEEK_SET) != 0)
        return -1;
    return size;
}

} // namespace

FileStatus readFileBytes(const char* path, FileBytes& out)
{
    out.data = nullptr;
    out.size = 0;

    FILE* file = fopen(path, "rb");
    if (!file)
        return FileStatus::cannotOpen;

    long size = fileSize(file);
    if (size < 0 || uint64_t(size) >= SIZE_MAX / 2) {
        fclose(file);
        return FileStatus::cannotOpen;
    }

    char* data = static_cast<char*>(malloc(size_t(size) + 1));
    if (!data) {
        fclose(file);
        return FileStatus::outOfMemory;
    }
    size_t read = fread(data, 1, size_t(size), file);
    bool failed = ferror(file) != 0;
    fclose(file);
    if (failed && read == 0) {
        free(data);
        return FileStatus::cannotOpen;
    }
    data[read] = '\0';
    out.data = data;
    out.size = read;
    return FileStatus::ok;
}

void freeFileBytes(FileBytes& bytes)
{
    free(bytes.data);
    bytes.data = nullptr;
    bytes.size = 0;
}
