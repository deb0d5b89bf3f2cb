// Child look-ups, folder creation, parents, listings and the reveal of a
// moved item against real folders: links are items of their own, stale
// references fail, unreadable folders give a status.
#include "items/FolderItems.h"
#include "TestEnvironment.h"
#include "items/RevealMovedItem.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace ferrolet;

namespace {

using FolderItemsTest = ferrolet::test::TempHome;

TEST_F(FolderItemsTest, LookUpChildAsksTheFileSystem) {
    const FileRef folder = Ref(MakeDir("f"));
    WriteFile("f/a.txt", "A");
    ASSERT_EQ(symlink("/nonexistent", Path("f/dangling").c_str()), 0);
    ASSERT_EQ(symlink(MakeDir("elsewhere").c_str(), Path("f/dirlink").c_str()), 0);

    FileRef child;
    ASSERT_TRUE(LookUpChild(folder, "a.txt", child));
    EXPECT_EQ(child.Inode(), Inode(Path("f/a.txt")));

    EXPECT_FALSE(LookUpChild(folder, "b.txt", child));
    EXPECT_TRUE(child.IsNull());
    EXPECT_EQ(MakeChildRef(folder, "b.txt", child), ENOENT);

    // Links are found as themselves, never followed.
    for (const char* link : {"dangling", "dirlink"}) {
        ASSERT_TRUE(LookUpChild(folder, link, child));
        EXPECT_EQ(child.Inode(), Inode(Path("f/") + link));
    }

    // Names that cannot be one entry are not looked up elsewhere.
    EXPECT_EQ(MakeChildRef(folder, "../f", child), EINVAL);
    EXPECT_EQ(MakeChildRef(folder, "..", child), EINVAL);
    EXPECT_EQ(MakeChildRef(folder, std::string(256, 'n'), child), ENAMETOOLONG);

    // A folder reference whose path now holds another folder fails, and so
    // does a null one; "not found" is never claimed for them.
    ASSERT_EQ(rename(Path("f").c_str(), Path("g").c_str()), 0);
    MakeDir("f");
    EXPECT_NE(MakeChildRef(folder, "x", child), 0);
    EXPECT_EQ(MakeChildRef(FileRef(), "x", child), EINVAL);
    EXPECT_TRUE(LookUpChild(FileRef(), "x"));
}

TEST_F(FolderItemsTest, FindOrCreateFolder) {
    const FileRef parent = Ref(MakeDir("p"));
    FileRef made;
    ASSERT_EQ(FindOrCreateFolder(parent, "New Folder", made), 0);
    EXPECT_TRUE(std::filesystem::is_directory(Path("p/New Folder")));
    EXPECT_EQ(made.Inode(), Inode(Path("p/New Folder")));

    // Found again, not made again.
    WriteFile("p/New Folder/keep", "k");
    FileRef again;
    ASSERT_EQ(FindOrCreateFolder(parent, "New Folder", again), 0);
    EXPECT_TRUE(again.SameItem(made));
    EXPECT_EQ(ReadFile(Path("p/New Folder/keep")), "k");

    // A link to a folder elsewhere is handed back as the link: nothing is
    // made at its target.
    ASSERT_EQ(symlink(MakeDir("target").c_str(), Path("p/via").c_str()), 0);
    FileRef link;
    ASSERT_EQ(FindOrCreateFolder(parent, "via", link), 0);
    EXPECT_EQ(link.Inode(), Inode(Path("p/via")));
    EXPECT_TRUE(Names(Path("target")).empty());

    FileRef bad;
    EXPECT_EQ(FindOrCreateFolder(parent, "a/b", bad), EINVAL);
    EXPECT_FALSE(Exists(Path("p/a")));
    EXPECT_EQ(FindOrCreateFolder(FileRef(), "x", bad), EINVAL);
}

TEST_F(FolderItemsTest, ParentFolder) {
    const FileRef item = Ref(WriteFile("a/b/item"));
    FileRef parent;
    ASSERT_EQ(GetParentFolderRef(item, parent), 0);
    EXPECT_TRUE(parent.SameItem(Ref(Path("a/b"))));

    // The root of a volume has none.
    ASSERT_EQ(GetParentFolderRef(Ref("/"), parent), 0);
    EXPECT_TRUE(parent.IsNull());

    // A stale or null reference fails.
    ASSERT_EQ(unlink(Path("a/b/item").c_str()), 0);
    EXPECT_EQ(GetParentFolderRef(item, parent), ENOENT);
    EXPECT_EQ(GetParentFolderRef(FileRef(), parent), EINVAL);
}

TEST_F(FolderItemsTest, ListFolderItems) {
    const FileRef folder = Ref(MakeDir("list"));
    std::vector<FileRef> items;
    EXPECT_EQ(ListFolderItems(folder, items), ENODATA);
    EXPECT_TRUE(items.empty());

    WriteFile("list/a.txt");
    WriteFile("list/.hidden-file");
    MakeDir("list/sub");
    WriteFile("list/sub/deep.txt");
    ASSERT_EQ(symlink(MakeDir("outside").c_str(), Path("list/link").c_str()), 0);
    WriteFile("outside/not-listed");
    ASSERT_EQ(ListFolderItems(folder, items), 0);
    std::vector<std::string> names;
    for (const FileRef& item : items) {
        names.push_back(item.Name());
        EXPECT_EQ(item.ParentPath(), Path("list"));
        EXPECT_EQ(item.Inode(), Inode(item.Path())) << "links are listed as themselves";
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".hidden-file", "a.txt", "link", "sub"}));

    // A file, a link to a folder, a gone folder and a null reference fail.
    EXPECT_EQ(ListFolderItems(Ref(Path("list/a.txt")), items), ENOTDIR);
    EXPECT_TRUE(items.empty());
    EXPECT_EQ(ListFolderItems(Ref(Path("list/link")), items), ENOTDIR);
    EXPECT_EQ(ListFolderItems(FileRef(), items), EINVAL);
    const FileRef gone = Ref(MakeDir("gone"));
    ASSERT_EQ(rmdir(Path("gone").c_str()), 0);
    EXPECT_EQ(ListFolderItems(gone, items), ENOENT);
}

// A folder that cannot be read or searched gives a status, never a partial
// list nor "not found".
TEST_F(FolderItemsTest, UnreadableAndUnsearchableFoldersGiveAStatus) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root ignores permissions; the unprivileged run covers this";
    }
    const FileRef noRead = Ref(MakeDir("noread"));
    const FileRef noSearch = Ref(MakeDir("nosearch"));
    WriteFile("noread/a");
    WriteFile("nosearch/a");
    WriteFile("nosearch/b");
    ASSERT_EQ(chmod(Path("noread").c_str(), 0300), 0);
    ASSERT_EQ(chmod(Path("nosearch").c_str(), 0600), 0);
    std::vector<FileRef> items;
    EXPECT_EQ(ListFolderItems(noRead, items), EACCES);
    EXPECT_EQ(ListFolderItems(noSearch, items), EACCES);
    EXPECT_TRUE(items.empty());
    FileRef child;
    EXPECT_EQ(MakeChildRef(noSearch, "b.txt", child), EACCES);
    EXPECT_TRUE(LookUpChild(noSearch, "b.txt", child)) << "unknown must not read as absent";
    EXPECT_TRUE(child.IsNull());
    EXPECT_EQ(FindOrCreateFolder(noSearch, "new", child), EACCES);
    EXPECT_TRUE(child.IsNull());
}

// The reveal of a finished item names the item's path at its new place, and
// nothing when nothing of its name is there.
TEST_F(FolderItemsTest, RevealOfAMovedItemAtItsNewPlaceOrNothing) {
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
