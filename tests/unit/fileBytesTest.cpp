#include "assets/fileBytes.h"
#include "support/overcommit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::string writeTemp(const std::string& bytes)
{
    char path[] = "/tmp/spinview-bytes-XXXXXX";
    int fd = mkstemp(path);
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    close(fd);
    return path;
}

} // namespace

TEST(FileBytes, ReadsWholeFileZeroTerminated)
{
    std::string content("line one\r\nzero\0byte", 19);
    std::string path = writeTemp(content);
    FileBytes bytes;
    ASSERT_EQ(readFileBytes(path.c_str(), bytes), FileStatus::ok);
    ASSERT_EQ(bytes.size, content.size());
    EXPECT_EQ(memcmp(bytes.data, content.data(), content.size()), 0);
    EXPECT_EQ(bytes.data[bytes.size], '\0');
    freeFileBytes(bytes);
    EXPECT_EQ(bytes.data, nullptr);
    unlink(path.c_str());
}

TEST(FileBytes, EmptyFileGivesEmptyString)
{
    std::string path = writeTemp("");
    FileBytes bytes;
    ASSERT_EQ(readFileBytes(path.c_str(), bytes), FileStatus::ok);
    EXPECT_EQ(bytes.size, 0u);
    ASSERT_NE(bytes.data, nullptr);
    EXPECT_EQ(bytes.data[0], '\0');
    freeFileBytes(bytes);
    unlink(path.c_str());
}

TEST(FileBytes, ShortReadKeepsOnlyTheBytesRead)
{
    // a file under /sys claims a size of a page and holds a few bytes ("0-1\n")
    const char* path = "/sys/devices/system/cpu/possible";
    std::string content;
    int fd = open(path, O_RDONLY);
    if (fd < 0)
        GTEST_SKIP() << path << " is not there";
    char chunk[4096];
    ssize_t n;
    while ((n = read(fd, chunk, sizeof(chunk))) > 0)
        content.append(chunk, size_t(n));
    close(fd);
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
    EXPECT_EQ(readFileBytes("/tmp", bytes), FileStatus::cannotOpen);
    EXPECT_EQ(bytes.data, nullptr);

    std::string path = writeTemp("secret");
    chmod(path.c_str(), 0);
    if (access(path.c_str(), R_OK) != 0) {  // root reads it anyway
        EXPECT_EQ(readFileBytes(path.c_str(), bytes), FileStatus::cannotOpen);
    }
    unlink(path.c_str());

    // a FIFO without a writer would block an ordinary open forever; a device never ends
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(readFileBytes(path.c_str(), bytes), FileStatus::cannotOpen);
    unlink(path.c_str());
    EXPECT_EQ(readFileBytes("/dev/zero", bytes), FileStatus::cannotOpen);
}

TEST(FileBytes, FileTooLargeForMemoryIsReportedNotRead)
{
    // a sparse file of 8 TiB: sizing works, the buffer cannot be had
    if (overcommitIsUnlimited())
        GTEST_SKIP() << "memory is overcommitted without limit here";
    std::string path = writeTemp("");
    ASSERT_EQ(truncate(path.c_str(), off_t(1) << 43), 0);
    FileBytes bytes;
    EXPECT_EQ(readFileBytes(path.c_str(), bytes), FileStatus::outOfMemory);
    EXPECT_EQ(bytes.data, nullptr);
    unlink(path.c_str());
}
