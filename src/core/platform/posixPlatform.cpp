#include "core/platform/platform.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
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

void runInBackground()
{
#ifdef __linux__
    // a Linux thread has a nice value of its own, which the threads it starts inherit; at 5 the
    // scheduler gives it a third of a normal thread's share, so that other busy processes slow
    // the reading down but never starve it, as 19 (a seventieth) would
    setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), 5);
#endif
}

FileStamp fileStamp(const char* path)
{
    struct stat info;
    if (stat(path, &info) != 0)
        return FileStamp{false, 0, 0, 0, 0, 0};
    return FileStamp{true,
                     uint64_t(info.st_size),
                     int64_t(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec,
                     int64_t(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec,
                     uint64_t(info.st_dev),
                     uint64_t(info.st_ino)};
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

namespace {

// The file mapped now, for the bus-error handler: a file cut short while mapped faults past its end.
struct MappedFile {
    char* start;
    size_t size;
    size_t page;  // the system's page size, looked up before any fault
    volatile sig_atomic_t cutShort;
};
MappedFile mappedFile;
struct sigaction previousBusAction;

// Covers the rest of the mapped file from the faulting page on with zero pages, and returns to
// read them. A fault outside the mapped file is not ours: the previous action is restored and the
// access faults again under it.
void coverCutFile(int, siginfo_t* info, void*)
{
    char* address = static_cast<char*>(info->si_addr);
    char* start = mappedFile.start;
    if (start && address >= start && address < start + mappedFile.size) {
        char* cut = start + size_t(address - start) / mappedFile.page * mappedFile.page;
        size_t rest = mappedFile.size - size_t(cut - start);
        if (mmap(cut, rest, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED) {
            mappedFile.cutShort = 1;
            return;
        }
    }
    sigaction(SIGBUS, &previousBusAction, nullptr);
}

void catchBusErrors()
{
    static bool installed = false;
    if (installed)
        return;
    struct sigaction action = {};
    action.sa_sigaction = coverCutFile;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    installed = sigaction(SIGBUS, &action, &previousBusAction) == 0;
}

} // namespace

const char* mapOpenFile(FILE* file, uint64_t size)
{
    if (size == 0 || size > SIZE_MAX)
        return nullptr;
    void* data = mmap(nullptr, size_t(size), PROT_READ, MAP_PRIVATE, fileno(file), 0);
    if (data == MAP_FAILED)
        return nullptr;
    madvise(data, size_t(size), MADV_SEQUENTIAL);  // read ahead, front to back
#if defined(MADV_NOHUGEPAGE)
    // mapped a page at a time, not 2 MB: the pages passed are given back as the reading goes
    madvise(data, size_t(size), MADV_NOHUGEPAGE);
#endif
    catchBusErrors();
    mappedFile.cutShort = 0;
    mappedFile.size = size_t(size);
    mappedFile.page = size_t(sysconf(_SC_PAGESIZE));
    mappedFile.start = static_cast<char*>(data);
    return static_cast<const char*>(data);
}

void releaseMappedPages(const char* data, size_t from, size_t offset)
{
    size_t page = size_t(sysconf(_SC_PAGESIZE));
    size_t first = from / page * page, whole = offset / page * page;  // the mapping starts on a page
    if (whole > first)
        madvise(const_cast<char*>(data) + first, whole - first, MADV_DONTNEED);
}

void prefaultForWriting(const void* address, size_t bytes)
{
#if defined(__linux__)
    // MADV_POPULATE_WRITE (Linux 5.14): refused by older kernels, which then fault them as written
    const int populateWrite = 23;
    uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    uintptr_t begin = (uintptr_t(address) + page - 1) / page * page, end = (uintptr_t(address) + bytes) / page * page;
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), size_t(end - begin), populateWrite);
#else
    (void)address;
    (void)bytes;
#endif
}

bool unmapFile(const char* data, uint64_t size)
{
    if (!data)
        return true;
    if (data == mappedFile.start)
        mappedFile.start = nullptr;
    munmap(const_cast<char*>(data), size_t(size));
    return mappedFile.cutShort == 0;
}

namespace {

bool sameStatus(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

} // namespace

bool sameFile(const char* a, const char* b)
{
    struct stat first, second;
    return stat(a, &first) == 0 && stat(b, &second) == 0 && sameStatus(first, second);
}

bool isStandardOutput(const char* path)
{
    struct stat named, output;
    return stat(path, &named) == 0 && fstat(1, &output) == 0 && sameStatus(named, output);
}

FILE* openSpecialFileToWrite(const char* path, bool& special)
{
    struct stat info;
    special = stat(path, &info) == 0 && !S_ISREG(info.st_mode);
    if (!special)
        return nullptr;
    // no O_CREAT: what is there is written into; O_NOCTTY: a terminal does not become ours
    int fd = open(path, O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    FILE* file = nullptr;
    // put in place of a regular file meanwhile: that one would be written over, not replaced whole
    if (fstat(fd, &info) == 0 && !S_ISREG(info.st_mode))
        file = fdopen(fd, "wb");
    if (!file)
        close(fd);
    return file;
}

bool linkTargetOf(const char* path, char* target, size_t targetSize)
{
    if (strlen(path) >= targetSize)
        return false;
    strcpy(target, path);
    for (int hops = 0; hops < 40; ++hops) {  // as the kernel, which gives up after 40
        struct stat info;
        if (lstat(target, &info) != 0 || !S_ISLNK(info.st_mode))
            return true;
        char link[4096];
        ssize_t length = readlink(target, link, sizeof(link));
        if (length <= 0 || size_t(length) >= sizeof(link))
            return false;
        link[length] = '\0';
        const char* slash = strrchr(target, '/');
        size_t folder = link[0] == '/' || !slash ? 0 : size_t(slash - target) + 1;
        if (folder + size_t(length) >= targetSize)
            return false;
        memcpy(target + folder, link, size_t(length) + 1);
    }
    return false;
}

FILE* createFileBeside(const char* path, char* tempPath, size_t tempPathSize)
{
    const char* slash = strrchr(path, '/');
    int folder = slash ? int(slash - path) + 1 : 0;
    int written = snprintf(tempPath, tempPathSize, "%.*s.spinview-XXXXXX", folder, path);
    if (written < 0 || size_t(written) >= tempPathSize)
        return nullptr;
    int fd = mkstemp(tempPath);
    if (fd < 0)
        return nullptr;
    // mkstemp makes the file private: give it the mode of the file it replaces, or of a new one
    struct stat existing;
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, stat(path, &existing) == 0 ? existing.st_mode & 07777 : 0666 & ~mask);
    FILE* file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        unlink(tempPath);
    }
    return file;
}

bool replaceFile(const char* from, const char* to)
{
    return rename(from, to) == 0;
}

bool removeFile(const char* path)
{
    return unlink(path) == 0;
}

void setBinaryMode(FILE*)
{
}

bool isTerminal(FILE* stream)
{
    return isatty(fileno(stream)) != 0;
}

namespace {

void copyError(const char* reason, char* error, size_t errorSize)
{
    snprintf(error, errorSize, "%s", reason ? reason : "unknown");
}

} // namespace

void* loadLibrarySymbol(const char* path, const char* name, char* error, size_t errorSize)
{
    dlerror();
    // RTLD_NOW: a symbol the library lacks is told here, not as a crash when first called
    void* library = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        copyError(dlerror(), error, errorSize);
        return nullptr;
    }
    void* symbol = dlsym(library, name);
    if (!symbol) {
        copyError(dlerror(), error, errorSize);
        dlclose(library);
    }
    return symbol;
}

bool programFolder(char* folder, size_t folderSize)
{
    ssize_t length = readlink("/proc/self/exe", folder, folderSize);
    if (length <= 0 || size_t(length) >= folderSize)
        return false;
    folder[length] = '\0';
    char* slash = strrchr(folder, '/');
    if (!slash)
        return false;
    *slash = '\0';
    return true;
}
