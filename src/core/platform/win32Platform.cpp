#include "core/platform/platform.h"

#include <io.h>
#include <sys/stat.h>
#include <windows.h>

void debugOutput(const char* text)
{
    OutputDebugStringA(text);
}

namespace {

const DWORD processStart = GetTickCount();

} // namespace

uint32_t tickCountMs()
{
    return uint32_t(GetTickCount() - processStart);  // wraps like GetTickCount, every 2^32 ms
}

const char* mapOpenFile(FILE* file, uint64_t size)
{
    if (size == 0 || size > SIZE_MAX)
        return nullptr;
    HANDLE mapping = CreateFileMappingA(HANDLE(_get_osfhandle(_fileno(file))), nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!mapping)
        return nullptr;
    void* view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, size_t(size));
    CloseHandle(mapping);  // the view keeps the mapping
    return static_cast<const char*>(view);
}

void releaseMappedPages(const char*, size_t)
{
}

bool unmapFile(const char* data, uint64_t)
{
    if (data)
        UnmapViewOfFile(data);
    return true;
}

FileStamp fileStamp(const char* path)
{
    struct _stat64 info;
    if (_stat64(path, &info) != 0)
        return FileStamp{false, 0, 0};
    return FileStamp{true, uint64_t(info.st_size), int64_t(info.st_mtime) * 1000000000};
}

FILE* openRegularFile(const char* path, uint64_t& size)
{
    // Windows has no FIFOs to wait on: open, then look at what was opened
    FILE* file = fopen(path, "rb");
    struct _stat64 info;
    if (file && (_fstat64(_fileno(file), &info) != 0 || (info.st_mode & _S_IFMT) != _S_IFREG)) {
        fclose(file);
        return nullptr;
    }
    if (file)
        size = uint64_t(info.st_size);
    return file;
}
