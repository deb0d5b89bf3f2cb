// The reveal of a finished item names the item's path at its new place, and
// nothing when nothing of its name is there.
#include "items/RevealMovedItem.h"
#include "TestEnvironment.h"

#include <cstdio>
#include <unistd.h>

using namespace ferrolet;

namespace {

using RevealMovedItemTest = ferrolet::test::TempHome;

TEST_F(RevealMovedItemTest, TheItemAtItsNewPlaceOrNothing) {
    const FileRef moved = Ref(WriteFile("dest/report.pdf", "r"));
    EXPECT_EQ(MovedItemRevealPath(moved, Path("dest")), Path("dest/report.pdf"));
    // Through a link, the folder the link leads to.
    ASSERT_EQ(symlink(Path("dest").c_str(), Path("dest-link").c_str()), 0);
    EXPECT_EQ(MovedItemRevealPath(moved, Path("dest-link")), Path("dest/report.pdf"));

    EXPECT_FALSE(MovedItemRevealPath(moved, MakeDir("other")));
    EXPECT_FALSE(MovedItemRevealPath(moved, Path("missing")));
    EXPECT_FALSE(MovedItemRevealPath(moved, "relative/path"));
    EXPECT_FALSE(MovedItemRevealPath(FileRef(), Path("dest")));
    // Another item takes the name (made before the old one goes, so it
    // cannot reuse its inode): the reference is stale.
    ASSERT_EQ(rename(WriteFile("dest/a2", "another").c_str(), Path("dest/report.pdf").c_str()), 0);
    EXPECT_FALSE(MovedItemRevealPath(moved, Path("dest")));
}

} // namespace
