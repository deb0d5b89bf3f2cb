#include "platform/FileRef.h"

#include "TestEnvironment.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace ferrolet {
namespace {

int64_t BirthOf(const std::string& path) {
    struct statx sx {};
    if (statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &sx) != 0 ||
        (sx.stx_mask & STATX_BTIME) == 0) {
        return 0;
    }
    return static_cast<int64_t>(sx.stx_btime.tv_sec) * 1000000000 + sx.stx_btime.tv_nsec;
}

using FileRefTest = test::TempHome;

// Inode numbers come back as soon as they are freed; the birth time tells a
// new file from the one that was referenced, so a reference never adopts it.
TEST_F(FileRefTest, AnEntryBornLaterIsAnotherItem) {
    const std::string first = WriteFile("first.txt", "selected");
    FileRef ref;
    ASSERT_EQ(FileRef::FromPath(first, ref), 0);
    EXPECT_TRUE(ref.IsValid());
    EXPECT_TRUE(ref.SameBirthAs(AT_FDCWD, first.c_str()));
    if (BirthOf(first) == 0) {
        GTEST_SKIP() << "this file system keeps no birth times";
    }
    // A later file: made again until the clock has moved past the first's
    // birth (timestamps are as coarse as the kernel's tick).
    std::string later;
    for (int i = 0; i < 10000 && (later.empty() || BirthOf(later) == BirthOf(first)); ++i) {
        later = WriteFile("later-" + std::to_string(i) + ".txt", "another");
    }
    ASSERT_NE(BirthOf(later), BirthOf(first));
    EXPECT_FALSE(ref.SameBirthAs(AT_FDCWD, later.c_str()));
    // A reference made without a birth time compares by device and inode alone.
    const FileRef bare = FileRef::Make(first, ref.Device(), ref.Inode());
    EXPECT_TRUE(bare.SameBirthAs(AT_FDCWD, later.c_str()));
    EXPECT_TRUE(bare.SameItem(ref));
}

} // namespace
} // namespace ferrolet
