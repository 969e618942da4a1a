#include "platform/platform.h"

#ifdef _WIN32
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

void unmapFile(const char* data, uint64_t)
{
    if (data)
        UnmapViewOfFile(data);
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

#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

void debugOutput(const char*)
{
}

namespace {

uint64_t monotonicMs()
{
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u;
}

const uint64_t processStart = monotonicMs();

} // namespace

uint32_t tickCountMs()
{
    return uint32_t(monotonicMs() - processStart);  // wraps every 2^32 ms, about 49.7 days
}

FileStamp fileStamp(const char* path)
{
    struct stat info;
    if (stat(path, &info) != 0)
        return FileStamp{false, 0, 0};
    return FileStamp{true, uint64_t(info.st_size), int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

FILE* openRegularFile(const char* path, uint64_t& size)
{
    // without O_NONBLOCK, opening a FIFO waits for a writer, forever
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info;
    FILE* file = nullptr;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode))
        file = fdopen(fd, "rb");
    if (!file) {
        close(fd);
        return nullptr;
    }
    size = uint64_t(info.st_size);
    return file;
}

const char* mapOpenFile(FILE* file, uint64_t size)
{
    if (size == 0 || size > SIZE_MAX)
        return nullptr;
    void* data = mmap(nullptr, size_t(size), PROT_READ, MAP_PRIVATE, fileno(file), 0);
    if (data == MAP_FAILED)
        return nullptr;
    madvise(data, size_t(size), MADV_SEQUENTIAL);  // read ahead, front to back
    return static_cast<const char*>(data);
}

void releaseMappedPages(const char* data, size_t offset)
{
    size_t page = size_t(sysconf(_SC_PAGESIZE));
    size_t whole = offset / page * page;  // the mapping starts on a page
    if (whole > 0)
        madvise(const_cast<char*>(data), whole, MADV_DONTNEED);
}

void unmapFile(const char* data, uint64_t size)
{
    if (data)
        munmap(const_cast<char*>(data), size_t(size));
}
#endif
