#include "core/files/fileBytes.h"

#include "core/platform/platform.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

const char* unreadableFileMessage(FileStatus status)
{
    if (status == FileStatus::tooLarge)
        return "File [%s] is too large to read";
    return status == FileStatus::outOfMemory ? "Not enough memory to read [%s]" : "Cannot open file [%s]";
}

namespace {

// Reads an open file of `size` bytes (as the file system gives it) into a buffer of size + 1 bytes,
// zero-terminated after the bytes actually read, and closes it.
FileStatus readOpenFile(FILE* file, uint64_t size, FileBytes& out)
{
    out.data = nullptr;
    out.size = 0;
    if (size >= SIZE_MAX / 2) {
        fclose(file);
        return FileStatus::outOfMemory;
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

} // namespace

FileStatus readFileBytes(const char* path, FileBytes& out)
{
    return readFileBytesUpTo(path, UINT64_MAX, out);
}

FileStatus readFileBytesUpTo(const char* path, uint64_t most, FileBytes& out)
{
    out.data = nullptr;
    out.size = 0;
    uint64_t size = 0;
    FILE* file = openRegularFile(path, size);
    if (!file)
        return FileStatus::cannotOpen;
    if (size > most) {
        fclose(file);
        return FileStatus::tooLarge;
    }
    return readOpenFile(file, size, out);
}

void freeFileBytes(FileBytes& bytes)
{
    free(bytes.data);
    bytes.data = nullptr;
    bytes.size = 0;
}

FileStatus viewFile(const char* path, FileView& out)
{
    out = FileView{nullptr, 0, false, 0};
    uint64_t size = 0;
    FILE* file = openRegularFile(path, size);
    if (!file)
        return FileStatus::cannotOpen;
    if (const char* mapped = mapOpenFile(file, size)) {
        fclose(file);
        out = FileView{mapped, size_t(size), true, 0};
        return FileStatus::ok;
    }
    // not mapped: an empty file, or one on a file system that cannot map
    FileBytes bytes;
    FileStatus status = readOpenFile(file, size, bytes);
    if (status == FileStatus::ok)
        out = FileView{bytes.data, bytes.size, false, 0};
    return status;
}

void passFileView(FileView& view, size_t offset)
{
    if (view.mapped)
        if (offset > view.passed) {
            releaseMappedPages(view.data, view.passed, offset);
            view.passed = offset;
        }
}

void forgetFileViewRange(FileView& view, size_t from, size_t to)
{
    from = from > view.passed ? from : view.passed;
    if (view.mapped && to > from)
        releaseMappedPages(view.data, from, to);
}

bool closeFileView(FileView& view)
{
    bool whole = true;
    if (view.mapped)
        whole = unmapFile(view.data, view.size);
    else
        free(const_cast<char*>(view.data));
    view = FileView{nullptr, 0, false, 0};
    return whole;
}
