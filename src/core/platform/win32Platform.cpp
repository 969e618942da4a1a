#include "core/platform/platform.h"

#include <fcntl.h>
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

void runInBackground()
{
    // threads started later get the normal priority, the reading's second thread too
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
}

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

void releaseMappedPages(const char*, size_t, size_t)
{
}

void prefaultForWriting(const void*, size_t)
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
        return FileStamp{false, 0, 0, 0, 0, 0};
    return FileStamp{true,
                     uint64_t(info.st_size),
                     int64_t(info.st_mtime) * 1000000000,
                     int64_t(info.st_ctime) * 1000000000,
                     uint64_t(info.st_dev),
                     uint64_t(info.st_ino)};
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

namespace {

// The volume and index of an open file; false when they cannot be had.
bool fileIdentity(HANDLE file, BY_HANDLE_FILE_INFORMATION& info)
{
    return file != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file, &info);
}

bool pathIdentity(const char* path, BY_HANDLE_FILE_INFORMATION& info)
{
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    bool known = fileIdentity(file, info);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return known;
}

bool sameIdentity(const BY_HANDLE_FILE_INFORMATION& a, const BY_HANDLE_FILE_INFORMATION& b)
{
    return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
           a.nFileIndexLow == b.nFileIndexLow;
}

} // namespace

bool sameFile(const char* a, const char* b)
{
    BY_HANDLE_FILE_INFORMATION first, second;
    return pathIdentity(a, first) && pathIdentity(b, second) && sameIdentity(first, second);
}

bool isStandardOutput(const char* path)
{
    BY_HANDLE_FILE_INFORMATION named, output;
    return pathIdentity(path, named) && fileIdentity(GetStdHandle(STD_OUTPUT_HANDLE), output) &&
           sameIdentity(named, output);
}

FILE* openSpecialFileToWrite(const char* path, bool& special)
{
    special = false;
    // a device (NUL, CON, COM1) or a named pipe, which is written into; a file on a disk is not
    HANDLE handle = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return nullptr;
    special = GetFileType(handle) != FILE_TYPE_DISK;
    int fd = special ? _open_osfhandle(intptr_t(handle), _O_WRONLY | _O_BINARY) : -1;
    if (fd < 0) {
        CloseHandle(handle);
        return nullptr;
    }
    FILE* file = _fdopen(fd, "wb");
    if (!file)
        _close(fd);
    return file;
}

bool linkTargetOf(const char* path, char* target, size_t targetSize)
{
    // an existing file through its links, as the system names it; any other name as it is
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD length = GetFinalPathNameByHandleA(file, target, DWORD(targetSize), FILE_NAME_NORMALIZED);
        CloseHandle(file);
        if (length > 0 && length < targetSize)
            return true;
    }
    int written = snprintf(target, targetSize, "%s", path);
    return written >= 0 && size_t(written) < targetSize;
}

FILE* createFileBeside(const char* path, char* tempPath, size_t tempPathSize)
{
    const char* name = path;
    for (const char* c = path; *c; ++c)
        if (*c == '/' || *c == '\\' || *c == ':')
            name = c + 1;
    int folder = int(name - path);
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        int written = snprintf(tempPath, tempPathSize, "%.*sspinview-%lu-%u.tmp", folder, path, GetCurrentProcessId(),
                               attempt);
        if (written < 0 || size_t(written) >= tempPathSize)
            return nullptr;
        // "x": never an existing file
        if (FILE* file = fopen(tempPath, "wbx"))
            return file;
    }
    return nullptr;
}

bool replaceFile(const char* from, const char* to)
{
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
}

bool removeFile(const char* path)
{
    return DeleteFileA(path) != 0;
}

void setBinaryMode(FILE* stream)
{
    _setmode(_fileno(stream), _O_BINARY);
}

bool isTerminal(FILE* stream)
{
    return _isatty(_fileno(stream)) != 0;
}
