#include "platform/platform.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <sys/stat.h>
#include <windows.h>

void debugOutput(const char* text)
{
    OutputDebugStringA(text);
}

uint32_t tickCountMs()
{
    return GetTickCount();
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
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

void debugOutput(const char*)
{
}

uint32_t tickCountMs()
{
    timespec now = {};
#ifdef CLOCK_BOOTTIME
    // counts from boot and keeps counting through suspend, like GetTickCount
    if (clock_gettime(CLOCK_BOOTTIME, &now) != 0)
#endif
        clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t ms = uint64_t(now.tv_sec) * 1000u + uint64_t(now.tv_nsec) / 1000000u;
    return uint32_t(ms);  // wraps every 2^32 ms, about 49.7 days
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
#endif
