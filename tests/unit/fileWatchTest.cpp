#include "core/files/fileWatch.h"

#include <gtest/gtest.h>

namespace {

FileStamp stamp(uint64_t size, int64_t modified, uint64_t inode = 7)
{
    return FileStamp{true, size, modified, modified, 1, inode};
}

// Looks at the file every 100 ms from `fromMs`, seeing the stamps in turn; returns at which looks
// it was found settled.
std::vector<int> settledAt(WatchedFile& file, std::initializer_list<FileStamp> looks, uint32_t fromMs = 1000)
{
    std::vector<int> read;
    int i = 0;
    for (const FileStamp& seen : looks) {
        if (fileSettledAfterChange(file, seen, fromMs + 100u * uint32_t(i)))
            read.push_back(i);
        ++i;
    }
    return read;
}

} // namespace

TEST(FileWatch, ReadsAChangeOnceItHasSettledForThreeTenthsOfASecondAndTwoLooks)
{
    WatchedFile file = {"model.obj", stamp(100, 1), stamp(100, 1), 0, 0};
    const FileStamp a = stamp(100, 1), b = stamp(40, 2), c = stamp(90, 3), d = stamp(120, 4);
    // as loaded; then being written, with a pause of two looks that is not yet long enough; then
    // the same version from look 4 on: read at look 7, 300 ms after it was first seen, and once
    EXPECT_EQ(settledAt(file, {a, b, c, c, d, d, d, d, d}), std::vector<int>({7}));
    // only the time of the last status change, or only the inode (a re-pointed link, cp -p): a
    // new version too
    FileStamp touched = d;
    touched.changed += 1;
    EXPECT_EQ(settledAt(file, {touched, touched, touched, touched}), std::vector<int>({3}));
    FileStamp replaced = touched;
    replaced.inode += 1;
    EXPECT_EQ(settledAt(file, {replaced, replaced, replaced, replaced}), std::vector<int>({3}));
    // two looks far apart are not enough: three are
    file.loaded = a;
    EXPECT_FALSE(fileSettledAfterChange(file, b, 10000));
    EXPECT_FALSE(fileSettledAfterChange(file, b, 20000));
    EXPECT_TRUE(fileSettledAfterChange(file, b, 30000));
}

TEST(FileWatch, AFileGoneIsTriedOnceAndAgainWhenItComesBack)
{
    WatchedFile file = {"model.obj", stamp(100, 1), stamp(100, 1), 0, 0};
    const FileStamp gone = {false, 0, 0, 0, 0, 0};
    // tried once (its problem is told once), then left alone
    EXPECT_EQ(settledAt(file, {gone, gone, gone, gone, gone, gone, gone, gone}), std::vector<int>({3}));
    // back as it was before: still a change from the missing file that was tried
    EXPECT_EQ(settledAt(file, {stamp(100, 1), stamp(100, 1), stamp(100, 1), stamp(100, 1)}, 5000),
              std::vector<int>({3}));
}
