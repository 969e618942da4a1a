#include "core/files/fileBytes.h"
#include "core/platform/platform.h"
#include "support/overcommit.h"
#include "support/tempFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#ifndef _WIN32
#include <csignal>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

TEST(FileBytes, ReadsWholeFileZeroTerminated)
{
    std::string content("line one\r\nzero\0byte", 19);
    std::string path = writeTempFile(content);
    FileBytes bytes;
    ASSERT_EQ(readFileBytes(path.c_str(), bytes), FileStatus::ok);
    ASSERT_EQ(bytes.size, content.size());
    EXPECT_EQ(memcmp(bytes.data, content.data(), content.size()), 0);
    EXPECT_EQ(bytes.data[bytes.size], '\0');
    freeFileBytes(bytes);
    EXPECT_EQ(bytes.data, nullptr);
    removeFile(path);
}

TEST(FileBytes, EmptyFileGivesEmptyString)
{
    std::string path = writeTempFile("");
    FileBytes bytes;
    ASSERT_EQ(readFileBytes(path.c_str(), bytes), FileStatus::ok);
    EXPECT_EQ(bytes.size, 0u);
    ASSERT_NE(bytes.data, nullptr);
    EXPECT_EQ(bytes.data[0], '\0');
    freeFileBytes(bytes);
    removeFile(path);
}

TEST(FileBytes, ShortReadKeepsOnlyTheBytesRead)
{
    // a file under /sys claims a size of a page and holds a few bytes ("0-1\n")
    const char* path = "/sys/devices/system/cpu/possible";
    FILE* file = fopen(path, "rb");
    if (!file)
        GTEST_SKIP() << path << " is not there";
    std::string content;
    char chunk[4096];
    for (size_t n; (n = fread(chunk, 1, sizeof(chunk), file)) > 0;)
        content.append(chunk, n);
    fclose(file);
    struct stat info;
    ASSERT_EQ(stat(path, &info), 0);
    ASSERT_GT(size_t(info.st_size), content.size());

    FileBytes bytes;
    ASSERT_EQ(readFileBytes(path, bytes), FileStatus::ok);
    EXPECT_EQ(bytes.size, content.size());
    EXPECT_EQ(std::string(bytes.data, bytes.size), content);
    EXPECT_EQ(bytes.data[bytes.size], '\0');
    freeFileBytes(bytes);
}

TEST(FileBytes, MissingUnreadableAndNonRegularFilesCannotOpen)
{
    FileBytes bytes;
    EXPECT_EQ(readFileBytes("/nonexistent/spinview/torus.obj", bytes), FileStatus::cannotOpen);
    EXPECT_EQ(bytes.data, nullptr);
    std::string folder = freshTempPath("spinview-folder");
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    EXPECT_EQ(readFileBytes(folder.c_str(), bytes), FileStatus::cannotOpen);
    EXPECT_EQ(bytes.data, nullptr);
    std::filesystem::remove(folder);

#ifndef _WIN32
    std::string path = writeTempFile("secret");
    chmod(path.c_str(), 0);
    if (access(path.c_str(), R_OK) != 0) {  // root reads it anyway
        EXPECT_EQ(readFileBytes(path.c_str(), bytes), FileStatus::cannotOpen);
    }
    removeFile(path);

    // a FIFO without a writer would block an ordinary open forever; a device never ends
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(readFileBytes(path.c_str(), bytes), FileStatus::cannotOpen);
    removeFile(path);
    EXPECT_EQ(readFileBytes("/dev/zero", bytes), FileStatus::cannotOpen);
#endif
}

namespace {

// A sparse file of the largest size from `most` down to `least` bytes, halving, that the file
// system makes (Wine makes none larger than the disk's free space); "" when none.
std::string sparseFile(uint64_t most, uint64_t least)
{
    std::string path = writeTempFile("");
    for (uint64_t size = most; size >= least; size /= 2)
        if (resizeFile(path, size))
            return path;
    removeFile(path);
    return "";
}

} // namespace

TEST(FileBytes, SizesFilesPastFourGibibytes)
{
    // 5 GiB of nothing: a 32-bit size would read as 1 GiB, a 32-bit signed one as an error
    const uint64_t size = uint64_t(5) << 30;
    std::string path = sparseFile(size, size);
    if (path.empty())
        GTEST_SKIP() << "no room on the disk for a sparse file of 5 GiB";
    uint64_t sized = 0;
    FILE* file = openRegularFile(path.c_str(), sized);
    ASSERT_NE(file, nullptr);
    fclose(file);
    EXPECT_EQ(sized, size);
    EXPECT_EQ(fileStamp(path.c_str()).size, size);
    removeFile(path);
}

TEST(FileBytes, FileTooLargeForMemoryIsReportedNotRead)
{
    // a sparse file of 512 GiB, or at least 32 GiB, more than the machine's memory: sizing works,
    // the buffer cannot be had
    if (overcommitIsUnlimited())
        GTEST_SKIP() << "memory is overcommitted without limit here";
    std::string path = sparseFile(uint64_t(1) << 39, uint64_t(1) << 35);
    if (path.empty())
        GTEST_SKIP() << "no room on the disk for a sparse file of 32 GiB";
    FileBytes bytes;
    EXPECT_EQ(readFileBytes(path.c_str(), bytes), FileStatus::outOfMemory);
    EXPECT_EQ(bytes.data, nullptr);
    removeFile(path);
}

TEST(FileBytes, FileLargerThanTheBoundIsNotRead)
{
    std::string path = writeTempFile("four");
    FileBytes bytes;
    EXPECT_EQ(readFileBytesUpTo(path.c_str(), 3, bytes), FileStatus::tooLarge);
    EXPECT_EQ(bytes.data, nullptr);
    // boundary: a file of just the bound is read
    EXPECT_EQ(readFileBytesUpTo(path.c_str(), 4, bytes), FileStatus::ok);
    EXPECT_STREQ(bytes.data, "four");
    freeFileBytes(bytes);
    removeFile(path);
}

namespace {

// Some pages of text, no two alike.
std::string pagesOfText(size_t pages)
{
    std::string text;
    for (size_t line = 0; text.size() < pages * 4096; ++line)
        text += "v " + std::to_string(line) + " 0 0\n";
    return text;
}

} // namespace

TEST(FileView, MapsRegularFilesReadsOthersAndKeepsBytesPastReleasedPages)
{
    std::string content = pagesOfText(40);
    std::string path = writeTempFile(content);
    FileView view;
    ASSERT_EQ(viewFile(path.c_str(), view), FileStatus::ok);
    EXPECT_TRUE(view.mapped);
    ASSERT_EQ(view.size, content.size());
    // giving back the first pages, mid-page, keeps what follows untouched
    size_t half = content.size() / 2 + 17;
    passFileView(view, half);
    EXPECT_EQ(std::string(view.data + half, view.size - half), content.substr(half));
    EXPECT_TRUE(closeFileView(view));
    EXPECT_EQ(view.data, nullptr);
    removeFile(path);

    // an empty file maps nothing and views as empty
    path = writeTempFile("");
    ASSERT_EQ(viewFile(path.c_str(), view), FileStatus::ok);
    EXPECT_EQ(view.size, 0u);
    EXPECT_TRUE(closeFileView(view));
    removeFile(path);

    EXPECT_EQ(viewFile("/nonexistent/spinview/torus.obj", view), FileStatus::cannotOpen);

#ifndef _WIN32
    // a file system that cannot map: a /sys file is read instead, only its actual bytes (Wine maps
    // it by reading it, page and all)
    const char* unmappable = "/sys/devices/system/cpu/possible";
    FileBytes bytes;
    if (readFileBytes(unmappable, bytes) == FileStatus::ok) {
        ASSERT_EQ(viewFile(unmappable, view), FileStatus::ok);
        EXPECT_FALSE(view.mapped);
        EXPECT_EQ(std::string(view.data, view.size), std::string(bytes.data, bytes.size));
        EXPECT_TRUE(closeFileView(view));
        freeFileBytes(bytes);
    }
#endif
}

#ifndef _WIN32
TEST(FileView, FileCutShortWhileMappedReadsZerosInsteadOfFaulting)
{
    std::string content = pagesOfText(8);
    std::string path = writeTempFile(content);
    FileView view;
    ASSERT_EQ(viewFile(path.c_str(), view), FileStatus::ok);
    ASSERT_TRUE(view.mapped);
    // another program rewrites the file from the start while it is read
    ASSERT_EQ(truncate(path.c_str(), 100), 0);
    EXPECT_EQ(std::string(view.data, 100), content.substr(0, 100));
    EXPECT_EQ(view.data[5 * 4096 + 3], '\0');
    EXPECT_EQ(view.data[view.size - 1], '\0');
    EXPECT_FALSE(closeFileView(view));

    // the next file read whole is reported whole
    removeFile(path);
    path = writeTempFile(content);
    ASSERT_EQ(viewFile(path.c_str(), view), FileStatus::ok);
    EXPECT_EQ(view.data[view.size - 1], '\n');
    EXPECT_TRUE(closeFileView(view));
    removeFile(path);
}

TEST(FileViewDeathTest, BusErrorsOutsideTheViewedFileStillStopTheProgram)
{
    std::string content = pagesOfText(8);
    std::string path = writeTempFile(content);
    FileView view;
    ASSERT_EQ(viewFile(path.c_str(), view), FileStatus::ok);  // the handler is in place
    FILE* other = fopen(path.c_str(), "rb");
    ASSERT_NE(other, nullptr);
    const char* unwatched = mapOpenFile(other, content.size());  // now the mapped file
    fclose(other);
    ASSERT_NE(unwatched, nullptr);
    const volatile char* stale = view.data;
    EXPECT_EXIT(
        {
            if (truncate(path.c_str(), 0) == 0)
                (void)stale[5 * 4096];
            exit(0);
        },
        // killed by the signal, or stopped by a sanitizer's report of it
        [](int status) { return WIFSIGNALED(status) ? WTERMSIG(status) == SIGBUS : WEXITSTATUS(status) != 0; }, "");
    unmapFile(unwatched, content.size());
    munmap(const_cast<char*>(view.data), view.size);
    removeFile(path);
}
#endif

#ifndef _WIN32
TEST(Platform, PrefaultingForWritingKeepsWhatMemoryHoldsAndMakesItResident)
{
    // fresh anonymous memory: a written part, then pages never touched
    const size_t page = size_t(sysconf(_SC_PAGESIZE)), pages = 64;
    char* memory = static_cast<char*>(mmap(nullptr, pages * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(memory, MAP_FAILED);
    for (size_t i = 0; i < 8 * page; ++i)
        memory[i] = char(i * 7 + 1);
    // from inside the written part (not on a page boundary) well into the untouched one
    prefaultForWriting(memory + 5 * page + 100, 40 * page);
    for (size_t i = 0; i < 8 * page; ++i)
        ASSERT_EQ(memory[i], char(i * 7 + 1)) << i;
    for (size_t i = 8 * page; i < pages * page; ++i)
        ASSERT_EQ(memory[i], 0) << i;
#ifdef __linux__
    // the pages wholly inside are resident (mincore, read without touching them again: the reads
    // above made every page resident, so look at a fresh mapping)
    char* fresh = static_cast<char*>(mmap(nullptr, pages * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(fresh, MAP_FAILED);
    prefaultForWriting(fresh + page / 2, 10 * page);
    unsigned char resident[pages];
    ASSERT_EQ(mincore(fresh, pages * page, resident), 0);
    EXPECT_FALSE(resident[0] & 1);  // only partly inside
    for (size_t i = 1; i < 10; ++i)
        EXPECT_TRUE(resident[i] & 1) << i;
    EXPECT_FALSE(resident[10] & 1);
    EXPECT_FALSE(resident[20] & 1);
    munmap(fresh, pages * page);
#endif
    munmap(memory, pages * page);
}
#endif
