// Replacing a same-named item: set aside, then removed only once the new item
// is in place, or put back when the step that needed its name fails; never
// a folder with contents, the item itself, or what a link points at.
#include "items/ClashReplacement.h"
#include "TestEnvironment.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ferrolet;

namespace {

class ClashReplacementTest : public ferrolet::test::TempHome {
protected:
    void SetUp() override {
        TempHome::SetUp();
        WriteBoolPref(m_store, keys::ReplaceFilesBySameName, 1);
    }
    // The move step of a command: rename into place without replacing.
    static int MoveInto(const std::string& from, const std::string& to) {
        return renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    }
    SettingsStore m_store;
};

// (A file set aside and put back, or removed once the new item is in place:
// the commands' ClashTest.)
TEST_F(ClashReplacementTest, EmptyFolderSetAsideUnderAHiddenNameAndPutBack) {
    const FileRef dest = Ref(MakeDir("dest"));
    const ino_t old = Inode(MakeDir("dest/Empty"));
    WriteFile("dest/other.txt", "untouched");
    {
        ClashReplacement clash;
        ASSERT_TRUE(RemoveClashingItem(m_store, Ref(MakeDir("src/Empty")), dest, clash));
        // The old item waits under a hidden name in the same folder.
        EXPECT_FALSE(Exists(Path("dest/Empty")));
        ASSERT_EQ(clash.AsideName().front(), '.');
        EXPECT_EQ(Inode(Path("dest/" + clash.AsideName())), old);
        // Out of scope without Commit: the old item is back.
    }
    EXPECT_EQ(Names(Path("dest")), (std::vector<std::string>{"Empty", "other.txt"}));
    EXPECT_EQ(Inode(Path("dest/Empty")), old);
    EXPECT_TRUE(LogLines().isEmpty());
}

TEST_F(ClashReplacementTest, NeverReplacedWhatMustStay) {
    const FileRef item = Ref(WriteFile("src/a.txt", "self"));
    const FileRef dest = Ref(MakeDir("dest"));
    ClashReplacement clash;
    // (The switch off: the commands' ClashTest, for every command.)
    // The item's own folder, also reached through a link to it.
    EXPECT_FALSE(RemoveClashingItem(m_store, item, Ref(Path("src")), clash));
    ASSERT_EQ(symlink(Path("src").c_str(), Path("srclink").c_str()), 0);
    EXPECT_FALSE(RemoveClashingItem(m_store, item, FolderRef(Path("srclink")), clash));
    // A hard link of the item under its name elsewhere is the item itself.
    ASSERT_EQ(link(Path("src/a.txt").c_str(), (MakeDir("linked") + "/a.txt").c_str()), 0);
    EXPECT_FALSE(RemoveClashingItem(m_store, item, Ref(Path("linked")), clash));
    EXPECT_EQ(Names(Path("linked")), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(ReadFile(Path("src/a.txt")), "self");

    // A folder with contents, even only a hidden one.
    WriteFile("dest/Photos/.thumbnail", "t");
    EXPECT_FALSE(RemoveClashingItem(m_store, Ref(MakeDir("src/Photos")), dest, clash));
    EXPECT_EQ(ReadFile(Path("dest/Photos/.thumbnail")), "t");
    EXPECT_EQ(LogLines(), QStringList{"unlink error: Directory not empty"});
    EXPECT_FALSE(clash.IsActive());

    // A same-named link is replaced as a link: what it points at stays,
    // a file or a folder with contents.
    WriteFile("realdocs/keep.txt", "keep");
    ASSERT_EQ(symlink(WriteFile("elsewhere/a.txt", "target").c_str(), Path("dest/a.txt").c_str()),
              0);
    ASSERT_EQ(symlink(Path("realdocs").c_str(), Path("dest/Docs").c_str()), 0);
    for (const FileRef& replacing : {item, Ref(MakeDir("src/Docs"))}) {
        ASSERT_TRUE(RemoveClashingItem(m_store, replacing, dest, clash));
        EXPECT_EQ(clash.Commit(), 0);
    }
    EXPECT_EQ(ReadFile(Path("elsewhere/a.txt")), "target");
    EXPECT_EQ(ReadFile(Path("realdocs/keep.txt")), "keep");
    EXPECT_EQ(Names(Path("dest")), std::vector<std::string>{"Photos"});
}

TEST_F(ClashReplacementTest, RollbackAndCommitLeaveAnotherItemUnderTheNameAlone) {
    const FileRef item = Ref(WriteFile("src/a.txt", "new"));
    const FileRef dest = Ref(MakeDir("dest"));
    WriteFile("dest/a.txt", "old");
    std::string aside;
    {
        ClashReplacement clash;
        ASSERT_TRUE(RemoveClashingItem(m_store, item, dest, clash));
        aside = clash.AsideName();
        // Something else takes the name, then the operation fails.
        WriteFile("dest/a.txt", "someone else's");
        ClashReplacement moved(std::move(clash));
        EXPECT_FALSE(clash.IsActive());
        EXPECT_EQ(moved.Rollback(), EEXIST);
    }
    EXPECT_EQ(ReadFile(Path("dest/a.txt")), "someone else's");
    EXPECT_EQ(ReadFile(Path("dest/" + aside)), "old");
    ASSERT_EQ(LogLines().size(), 1);
    EXPECT_TRUE(LogLines().front().contains(QString::fromStdString(aside)));

    // The set-aside item swapped for another: Commit does not remove it.
    ClashReplacement clash;
    ASSERT_EQ(clash.SetAside(dest, "a.txt"), 0);
    EXPECT_EQ(clash.SetAside(dest, aside), EINVAL) << "one at a time";
    const std::string setAside = Path("dest/" + clash.AsideName());
    // Made before the old one goes, so that it cannot reuse its inode.
    ASSERT_EQ(rename(WriteFile("impostor", "an impostor").c_str(), setAside.c_str()), 0);
    EXPECT_EQ(clash.Commit(), EBUSY);
    EXPECT_EQ(ReadFile(setAside), "an impostor");
}

TEST_F(ClashReplacementTest, UnwritableDestinationKeepsItsItem) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root ignores permissions; the unprivileged run covers this";
    }
    const FileRef item = Ref(WriteFile("src/a.txt", "new"));
    const FileRef dest = Ref(MakeDir("dest"));
    WriteFile("dest/a.txt", "old");
    ASSERT_EQ(chmod(Path("dest").c_str(), 0555), 0);
    ClashReplacement clash;
    EXPECT_FALSE(RemoveClashingItem(m_store, item, dest, clash));
    EXPECT_EQ(ReadFile(Path("dest/a.txt")), "old");
    EXPECT_EQ(LogLines(), QStringList{"unlink error: Permission denied"});

    // A Commit that cannot remove the set-aside item keeps it and says so.
    ASSERT_EQ(chmod(Path("dest").c_str(), 0755), 0);
    ASSERT_TRUE(RemoveClashingItem(m_store, item, dest, clash));
    const std::string aside = Path("dest/" + clash.AsideName());
    ASSERT_EQ(MoveInto(Path("src/a.txt"), Path("dest/a.txt")), 0);
    ASSERT_EQ(chmod(Path("dest").c_str(), 0555), 0);
    EXPECT_EQ(clash.Commit(), EACCES);
    EXPECT_EQ(ReadFile(aside), "old");
    EXPECT_EQ(ReadFile(Path("dest/a.txt")), "new");
}

} // namespace
