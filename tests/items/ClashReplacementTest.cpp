// Replacing a same-named item: set aside, then removed only once the new item
// is in place, or put back when the step that needed its name fails.
#include "items/ClashReplacement.h"
#include "TestEnvironment.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ferrolet;

namespace {

class ClashReplacementTest : public ferrolet::test::TempHome {
protected:
    FileRef Ref(const std::string& path) {
        FileRef ref;
        EXPECT_EQ(FileRef::FromPath(path, ref), 0) << path;
        return ref;
    }
    void ReplaceBySameName(bool on) {
        SettingsStore store;
        WriteBoolPref(store, keys::ReplaceFilesBySameName, on ? 1 : 0);
    }
    // Entries of a folder, hidden ones included.
    std::vector<std::string> Entries(const std::string& folder) {
        std::vector<std::string> names;
        DIR* dir = opendir(folder.c_str());
        EXPECT_NE(dir, nullptr) << folder;
        while (dir) {
            const dirent* entry = readdir(dir);
            if (!entry) {
                break;
            }
            const std::string name = entry->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        if (dir) {
            closedir(dir);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    ino_t Inode(const std::string& path) {
        struct stat st {};
        EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
        return st.st_ino;
    }
    // The move step of a command: rename into place without replacing.
    static int MoveInto(const std::string& from, const std::string& to) {
        return renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE);
    }
};

TEST_F(ClashReplacementTest, SettingOffLeavesTheClashAlone) {
    const FileRef item = Ref(WriteFile("src/report.pdf", "new"));
    const FileRef dest = Ref(MakeDir("dest"));
    WriteFile("dest/report.pdf", "old");
    ReplaceBySameName(false);
    SettingsStore store;
    ClashReplacement clash;
    EXPECT_FALSE(RemoveClashingItem(store, item, dest, clash));
    EXPECT_FALSE(clash.IsActive());
    EXPECT_EQ(ReadFile(Path("dest/report.pdf")), "old");
    EXPECT_EQ(Entries(Path("dest")), std::vector<std::string>{"report.pdf"});
    EXPECT_TRUE(LogLines().isEmpty());
}

TEST_F(ClashReplacementTest, SettingIsReadOnlyOnceAChildWasFound) {
    // An unreadable settings file logs when it is read: the log tells
    // whether the setting was consulted.
    WriteFile("home/.config/com.quorvane.Ferrolet.plist", "not a property list");
    const FileRef item = Ref(WriteFile("src/a.txt"));
    const FileRef dest = Ref(MakeDir("dest"));
    SettingsStore store;
    ClashReplacement clash;
    EXPECT_FALSE(RemoveClashingItem(store, item, dest, clash));
    EXPECT_TRUE(LogLines().isEmpty()) << LogLines().join(QLatin1Char('\n')).toStdString();

    WriteFile("dest/a.txt", "old");
    EXPECT_FALSE(RemoveClashingItem(store, item, dest, clash));
    EXPECT_FALSE(LogLines().isEmpty());
    EXPECT_EQ(ReadFile(Path("dest/a.txt")), "old");
}

TEST_F(ClashReplacementTest, ReplacedOnlyOnceTheNewItemIsInPlace) {
    const FileRef item = Ref(WriteFile("src/report.pdf", "new"));
    const FileRef dest = Ref(MakeDir("dest"));
    WriteFile("dest/report.pdf", "old");
    WriteFile("dest/other.txt", "untouched");
    ReplaceBySameName(true);
    SettingsStore store;

    ClashReplacement clash;
    ASSERT_TRUE(RemoveClashingItem(store, item, dest, clash));
    ASSERT_TRUE(clash.IsActive());
    // The old item waits under a hidden name in the same folder.
    EXPECT_FALSE(Exists(Path("dest/report.pdf")));
    ASSERT_EQ(clash.AsideName().front(), '.');
    EXPECT_EQ(ReadFile(Path("dest/" + clash.AsideName())), "old");

    ASSERT_EQ(MoveInto(Path("src/report.pdf"), Path("dest/report.pdf")), 0);
    EXPECT_EQ(clash.Commit(), 0);
    EXPECT_FALSE(clash.IsActive());
    EXPECT_EQ(ReadFile(Path("dest/report.pdf")), "new");
    EXPECT_EQ(Entries(Path("dest")), (std::vector<std::string>{"other.txt", "report.pdf"}));
    EXPECT_EQ(ReadFile(Path("dest/other.txt")), "untouched");
    EXPECT_TRUE(LogLines().isEmpty());
}

TEST_F(ClashReplacementTest, FailedStepPutsTheOldItemBack) {
    const FileRef item = Ref(WriteFile("src/report.pdf", "new"));
    const FileRef dest = Ref(MakeDir("dest"));
    WriteFile("dest/report.pdf", "precious");
    MakeDir("dest/Empty");
    const ino_t oldInode = Inode(Path("dest/report.pdf"));
    ReplaceBySameName(true);
    SettingsStore store;
    {
        ClashReplacement clash;
        ASSERT_TRUE(RemoveClashingItem(store, item, dest, clash));
        // The step that needed the name fails: its source vanished.
        ASSERT_EQ(unlink(Path("src/report.pdf").c_str()), 0);
        EXPECT_NE(MoveInto(Path("src/report.pdf"), Path("dest/report.pdf")), 0);
        // The replacement goes out of scope without Commit.
    }
    EXPECT_EQ(ReadFile(Path("dest/report.pdf")), "precious");
    EXPECT_EQ(Inode(Path("dest/report.pdf")), oldInode);
    EXPECT_EQ(Entries(Path("dest")), (std::vector<std::string>{"Empty", "report.pdf"}));

    // An empty folder is set aside and put back the same way, explicitly.
    const FileRef folderItem = Ref(MakeDir("src/Empty"));
    ClashReplacement folderClash;
    ASSERT_TRUE(RemoveClashingItem(store, folderItem, dest, folderClash));
    EXPECT_FALSE(Exists(Path("dest/Empty")));
    EXPECT_EQ(folderClash.Rollback(), 0);
    EXPECT_FALSE(folderClash.IsActive());
    struct stat st {};
    ASSERT_EQ(lstat(Path("dest/Empty").c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(Entries(Path("dest")), (std::vector<std::string>{"Empty", "report.pdf"}));
    EXPECT_TRUE(LogLines().isEmpty());
}

TEST_F(ClashReplacementTest, NonEmptyFolderIsNotReplaced) {
    const FileRef item = Ref(MakeDir("src/Photos"));
    const FileRef dest = Ref(MakeDir("dest"));
    WriteFile("dest/Photos/holiday.jpg", "jpeg");
    ReplaceBySameName(true);
    SettingsStore store;
    ClashReplacement clash;
    EXPECT_FALSE(RemoveClashingItem(store, item, dest, clash));
    EXPECT_FALSE(clash.IsActive());
    EXPECT_EQ(ReadFile(Path("dest/Photos/holiday.jpg")), "jpeg");
    EXPECT_EQ(Entries(Path("dest")), std::vector<std::string>{"Photos"});
    ASSERT_EQ(LogLines().size(), 1);
    EXPECT_EQ(LogLines().front(), QStringLiteral("unlink error: Directory not empty"));

    // A folder holding only a hidden item is not empty either.
    ClearLog();
    ASSERT_EQ(unlink(Path("dest/Photos/holiday.jpg").c_str()), 0);
    WriteFile("dest/Photos/.thumbnail", "t");
    EXPECT_FALSE(RemoveClashingItem(store, item, dest, clash));
    EXPECT_EQ(ReadFile(Path("dest/Photos/.thumbnail")), "t");
    EXPECT_EQ(LogLines().size(), 1);
}

TEST_F(ClashReplacementTest, ItemsOwnFolderAndLinksAreNeverReplacedThroughTheirTarget) {
    ReplaceBySameName(true);
    SettingsStore store;
    const FileRef item = Ref(WriteFile("src/a.txt", "self"));
    ClashReplacement clash;
    // The destination is the item's own folder, also when reached through
    // a link to it.
    EXPECT_FALSE(RemoveClashingItem(store, item, Ref(Path("src")), clash));
    ASSERT_EQ(symlink(Path("src").c_str(), Path("srclink").c_str()), 0);
    FileRef viaLink;
    ASSERT_EQ(FileRef::FromPath(Path("srclink"), viaLink, FileRef::Leaf::Follow), 0);
    EXPECT_FALSE(RemoveClashingItem(store, item, viaLink, clash));
    EXPECT_EQ(ReadFile(Path("src/a.txt")), "self");

    // A same-named link in the destination is replaced as a link: what it
    // points at stays.
    const FileRef dest = Ref(MakeDir("dest"));
    WriteFile("elsewhere/a.txt", "target");
    ASSERT_EQ(symlink(Path("elsewhere/a.txt").c_str(), Path("dest/a.txt").c_str()), 0);
    ASSERT_TRUE(RemoveClashingItem(store, item, dest, clash));
    EXPECT_EQ(clash.Commit(), 0);
    EXPECT_FALSE(Exists(Path("dest/a.txt")));
    EXPECT_EQ(ReadFile(Path("elsewhere/a.txt")), "target");

    // A link to a non-empty folder is a link, so it can be replaced while
    // the folder and its contents stay.
    const FileRef folderItem = Ref(MakeDir("src/Docs"));
    WriteFile("realdocs/keep.txt", "keep");
    ASSERT_EQ(symlink(Path("realdocs").c_str(), Path("dest/Docs").c_str()), 0);
    ASSERT_TRUE(RemoveClashingItem(store, folderItem, dest, clash));
    EXPECT_EQ(clash.Commit(), 0);
    EXPECT_EQ(ReadFile(Path("realdocs/keep.txt")), "keep");
    EXPECT_TRUE(Entries(Path("dest")).empty());
}

TEST_F(ClashReplacementTest, RollbackNeverReplacesWhatTookTheName) {
    ReplaceBySameName(true);
    SettingsStore store;
    const FileRef item = Ref(WriteFile("src/a.txt", "new"));
    const FileRef dest = Ref(MakeDir("dest"));
    WriteFile("dest/a.txt", "old");
    std::string aside;
    {
        ClashReplacement clash;
        ASSERT_TRUE(RemoveClashingItem(store, item, dest, clash));
        aside = clash.AsideName();
        // Something else takes the name, then the operation fails.
        WriteFile("dest/a.txt", "someone else's");
        ClashReplacement moved(std::move(clash));
        EXPECT_FALSE(clash.IsActive());
        EXPECT_TRUE(moved.IsActive());
        EXPECT_EQ(moved.Rollback(), EEXIST);
    }
    EXPECT_EQ(ReadFile(Path("dest/a.txt")), "someone else's");
    EXPECT_EQ(ReadFile(Path("dest/" + aside)), "old");
    ASSERT_EQ(LogLines().size(), 1);
    EXPECT_TRUE(LogLines().front().contains(QString::fromStdString(aside)));

    // A second SetAside on an active replacement is refused.
    ClashReplacement busy;
    ASSERT_EQ(busy.SetAside(dest, "a.txt"), 0);
    EXPECT_EQ(busy.SetAside(dest, aside), EINVAL);
    EXPECT_EQ(busy.SetAside(Ref(Path("src")), "missing"), EINVAL);
}

TEST_F(ClashReplacementTest, UnwritableDestinationKeepsItsItem) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root ignores permissions; the unprivileged run covers this";
    }
    ReplaceBySameName(true);
    SettingsStore store;
    const FileRef item = Ref(WriteFile("src/a.txt", "new"));
    const FileRef dest = Ref(MakeDir("dest"));
    WriteFile("dest/a.txt", "old");
    ASSERT_EQ(chmod(Path("dest").c_str(), 0555), 0);
    ClashReplacement clash;
    EXPECT_FALSE(RemoveClashingItem(store, item, dest, clash));
    EXPECT_EQ(ReadFile(Path("dest/a.txt")), "old");
    ASSERT_EQ(LogLines().size(), 1);
    EXPECT_EQ(LogLines().front(), QStringLiteral("unlink error: Permission denied"));

    // Commit that cannot remove the set-aside item keeps it and says so.
    ASSERT_EQ(chmod(Path("dest").c_str(), 0755), 0);
    ClearLog();
    ASSERT_TRUE(RemoveClashingItem(store, item, dest, clash));
    const std::string aside = clash.AsideName();
    ASSERT_EQ(MoveInto(Path("src/a.txt"), Path("dest/a.txt")), 0);
    ASSERT_EQ(chmod(Path("dest").c_str(), 0555), 0);
    EXPECT_EQ(clash.Commit(), EACCES);
    EXPECT_EQ(ReadFile(Path("dest/" + aside)), "old");
    EXPECT_EQ(ReadFile(Path("dest/a.txt")), "new");
    ASSERT_EQ(LogLines().size(), 1);
    EXPECT_EQ(LogLines().front(), QStringLiteral("unlink error: Permission denied"));
}

} // namespace
