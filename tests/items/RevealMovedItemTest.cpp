// The reveal of a finished item goes to the file manager with the item's
// path at its new place, and not at all when nothing of its name is there.
#include "items/RevealMovedItem.h"
#include "FakePlatform.h"
#include "TestEnvironment.h"

#include <cstdio>
#include <unistd.h>

using namespace ferrolet;

namespace {

class RevealMovedItemTest : public ferrolet::test::TempHome {};

TEST_F(RevealMovedItemTest, RevealsTheItemInItsNewFolder) {
    ferrolet::test::FakePlatform platform;
    WriteFile("src/report.pdf", "r");
    MakeDir("dest");
    ASSERT_EQ(rename(Path("src/report.pdf").c_str(), Path("dest/report.pdf").c_str()), 0);
    FileRef moved;
    ASSERT_EQ(FileRef::FromPath(Path("dest/report.pdf"), moved), 0);

    RevealMovedItem(platform, moved, Path("dest"));
    EXPECT_EQ(platform.revealed, std::vector<std::string>{Path("dest/report.pdf")});

    // A destination reached through a link reveals the item in the folder
    // the link leads to.
    ASSERT_EQ(symlink(Path("dest").c_str(), Path("dest-link").c_str()), 0);
    platform.revealed.clear();
    RevealMovedItem(platform, moved, Path("dest-link"));
    EXPECT_EQ(platform.revealed, std::vector<std::string>{Path("dest/report.pdf")});
}

TEST_F(RevealMovedItemTest, NothingWhenItemOrDestinationIsMissing) {
    ferrolet::test::FakePlatform platform;
    FileRef item;
    ASSERT_EQ(FileRef::FromPath(WriteFile("dest/a.txt"), item), 0);
    MakeDir("other");

    RevealMovedItem(platform, item, Path("other")); // no a.txt there
    RevealMovedItem(platform, item, Path("missing"));
    RevealMovedItem(platform, item, "relative/path");
    RevealMovedItem(platform, FileRef(), Path("dest"));
    // Another item takes the name (made before the old one goes, so it
    // cannot reuse its inode): the reference is stale.
    WriteFile("dest/a2.txt", "another item");
    ASSERT_EQ(rename(Path("dest/a2.txt").c_str(), Path("dest/a.txt").c_str()), 0);
    RevealMovedItem(platform, item, Path("dest"));
    EXPECT_TRUE(platform.revealed.empty());
}

} // namespace
