#include "core/files/fileWatch.h"

#include <gtest/gtest.h>

namespace {

FileStamp stamp(uint64_t size, int64_t modified)
{
    return FileStamp{true, size, modified};
}

} // namespace

TEST(FileWatch, ReadsAChangeOnceItHasSettled)
{
    WatchedFile file = {"model.obj", stamp(100, 1), stamp(100, 1)};
    EXPECT_FALSE(fileSettledAfterChange(file, stamp(100, 1)));  // as loaded
    // being written: each look sees another version, so none is read
    EXPECT_FALSE(fileSettledAfterChange(file, stamp(40, 2)));
    EXPECT_FALSE(fileSettledAfterChange(file, stamp(90, 3)));
    EXPECT_FALSE(fileSettledAfterChange(file, stamp(120, 4)));
    // the same version twice: read it, once
    EXPECT_TRUE(fileSettledAfterChange(file, stamp(120, 4)));
    EXPECT_FALSE(fileSettledAfterChange(file, stamp(120, 4)));
    // only the time changes: a new version too
    EXPECT_FALSE(fileSettledAfterChange(file, stamp(120, 5)));
    EXPECT_TRUE(fileSettledAfterChange(file, stamp(120, 5)));
}

TEST(FileWatch, AFileGoneIsTriedOnceAndAgainWhenItComesBack)
{
    WatchedFile file = {"model.obj", stamp(100, 1), stamp(100, 1)};
    const FileStamp gone = {false, 0, 0};
    EXPECT_FALSE(fileSettledAfterChange(file, gone));
    EXPECT_TRUE(fileSettledAfterChange(file, gone));  // tried: its problem is told once
    for (int look = 0; look < 5; ++look)
        EXPECT_FALSE(fileSettledAfterChange(file, gone));
    // back as it was before: still a change from the missing file that was tried
    EXPECT_FALSE(fileSettledAfterChange(file, stamp(100, 1)));
    EXPECT_TRUE(fileSettledAfterChange(file, stamp(100, 1)));
}
