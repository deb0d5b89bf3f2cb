// The reveal of a finished item names the item's path at its new place, and
// nothing when nothing of its name is there.
#include "items/RevealMovedItem.h"
#include "TestEnvironment.h"

#include <cstdio>
#include <unistd.h>

using namespace ferrolet;

namespace {

class RevealMovedItemTest : public ferrolet::test::TempHome {};

TEST_F(RevealMovedItemTest, RevealsTheItemInItsNewFolder) {
    WriteFile("src/report.pdf", "r");
    MakeDir("dest");
    ASSERT_EQ(rename(Path("src/report.pdf").c_str(), Path("dest/report.pdf").c_str()), 0);
    FileRef moved;
    ASSERT_EQ(FileRef::FromPath(Path("dest/report.pdf"), moved), 0);

    EXPECT_EQ(MovedItemRevealPath(moved, Path("dest")), Path("dest/report.pdf"));

    // A destination reached through a link reveals the item in the folder
    // the link leads to.
    ASSERT_EQ(symlink(Path("dest").c_str(), Path("dest-link").c_str()), 0);
    EXPECT_EQ(MovedItemRevealPath(moved, Path("dest-link")), Path("dest/report.pdf"));
}

TEST_F(RevealMovedItemTest, NothingWhenItemOrDestinationIsMissing) {
    FileRef item;
    ASSERT_EQ(FileRef::FromPath(WriteFile("dest/a.txt"), item), 0);
    MakeDir("other");

    EXPECT_FALSE(MovedItemRevealPath(item, Path("other"))); // no a.txt there
    EXPECT_FALSE(MovedItemRevealPath(item, Path("missing")));
    EXPECT_FALSE(MovedItemRevealPath(item, "relative/path"));
    EXPECT_FALSE(MovedItemRevealPath(FileRef(), Path("dest")));
    // Another item takes the name (made before the old one goes, so it
    // cannot reuse its inode): the reference is stale.
    WriteFile("dest/a2.txt", "another item");
    ASSERT_EQ(rename(Path("dest/a2.txt").c_str(), Path("dest/a.txt").c_str()), 0);
    EXPECT_FALSE(MovedItemRevealPath(item, Path("dest")));
}

} // namespace
