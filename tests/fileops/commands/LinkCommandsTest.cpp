// Alias To and Hard Link To against real folders: the names an alias takes
// when its name is taken, and the ways a hard link can fail without costing
// the user an item.
#include "CommandRunFixture.h"
#include "ItemsAtPath.h"
#include "dispatch/CommandDispatch.h"
#include "fileops/commands/AliasCommand.h"
#include "fileops/commands/HardLinkCommand.h"
#include "fileops/engine/AliasLink.h"
#include "fileops/engine/HardLink.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

using namespace ferrolet;
using ferrolet::test::MakeAliasAtPath;
using ferrolet::test::MakeHardLinkAtPath;

namespace {

std::string LinkTarget(const std::string& path) {
    char buffer[4096];
    const ssize_t n = readlink(path.c_str(), buffer, sizeof buffer);
    return n < 0 ? std::string() : std::string(buffer, static_cast<size_t>(n));
}

dev_t Device(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_dev : 0;
}

class LinkCommandsTest : public ferrolet::test::CommandRunFixture {};

TEST_F(LinkCommandsTest, AliasTakesTheNextFreeNameAndReplacesNothing) {
    const std::string dest = MakeDir("Aliases");
    const std::string item = WriteFile("Docs/file.txt", "the original");
    WriteFile("Aliases/file.txt", "someone else's file");
    MakeDir("Aliases/file.txt alias");
    ASSERT_EQ(symlink("/nowhere", Path("Aliases/file.txt alias 3").c_str()), 0);

    FileRef made;
    ASSERT_EQ(MakeAliasAtPath(item, dest, &made), 0);
    EXPECT_EQ(made.Path(), dest + "/file.txt alias 2");
    ASSERT_EQ(MakeAliasAtPath(item, dest, &made), 0);
    EXPECT_EQ(made.Path(), dest + "/file.txt alias 4") << "a dangling link's name is taken too";
    EXPECT_EQ(LinkTarget(dest + "/file.txt alias 2"), item);
    EXPECT_EQ(LinkTarget(dest + "/file.txt alias 4"), item);
    EXPECT_EQ(ReadFile(dest + "/file.txt alias 4"), "the original");
    EXPECT_EQ(ReadFile(dest + "/file.txt"), "someone else's file");
    EXPECT_EQ(LinkTarget(dest + "/file.txt alias 3"), "/nowhere");

    // A free name is the item's own; an alias of a link points at the link.
    const std::string elsewhere = MakeDir("Elsewhere");
    ASSERT_EQ(symlink("file.txt", Path("Docs/shortcut").c_str()), 0);
    ASSERT_EQ(MakeAliasAtPath(Path("Docs/shortcut"), elsewhere, &made), 0);
    EXPECT_EQ(made.Path(), elsewhere + "/shortcut");
    EXPECT_EQ(LinkTarget(elsewhere + "/shortcut"), Path("Docs/shortcut"));

    // Names near the limit are shortened to make room for the suffix.
    const std::string longName(250, 'n');
    EXPECT_EQ(AliasNameFor(longName, 2).size(), 255u);
    EXPECT_TRUE(AliasNameFor(longName, 2).ends_with("n alias 2"));
    EXPECT_EQ(AliasNameFor("a", 1), "a alias");
}

TEST_F(LinkCommandsTest, AliasToRunsEveryItemRevealsTheAliasesAndReportsFailures) {
    const std::string dest = MakeDir("Aliases");
    WriteFile("Docs/one.txt", "1");
    WriteFile("Docs/two.txt", "2");
    WriteFile("Aliases/one.txt", "taken");
    Select({Path("Docs/one.txt"), Path("Docs/two.txt")});
    SetDestinations({dest});
    SetOption(keys::SelectMovedItem, true);

    AliasSelectionToFolder(*m_ctx, 1);

    EXPECT_EQ(LinkTarget(dest + "/one.txt alias"), Path("Docs/one.txt"));
    EXPECT_EQ(LinkTarget(dest + "/two.txt"), Path("Docs/two.txt"));
    EXPECT_EQ(m_platform.revealed,
              (std::vector<std::string>{dest + "/one.txt alias", dest + "/two.txt"}));
    EXPECT_EQ(m_platform.sounds, QStringList{"complete"});

    // A destination that has gone: both items fail, no sound.
    m_platform.sounds.clear();
    ASSERT_EQ(rename(dest.c_str(), Path("Moved away").c_str()), 0);
    SetDestinations({Path("no such folder")});
    ClearLog();
    m_platform.dialogAnswers.push_back({Path("no such folder")});
    AliasSelectionToFolder(*m_ctx, 0);
    EXPECT_EQ(m_platform.beeps, 2);
    EXPECT_EQ(
        LogLines(),
        QStringList(2, QStringLiteral("Ferrolet: An error occurred aliasing a folder or file.")));
    EXPECT_TRUE(m_platform.sounds.isEmpty());
}

TEST_F(LinkCommandsTest, HardLinkIntoItsOwnFolderDeletesNothingAndTheNextItemStillLinks) {
    const std::string dest = MakeDir("Dest");
    const std::string inDest = WriteFile("Dest/a.txt", "precious");
    const std::string other = WriteFile("Work/b.txt", "b");
    const ino_t aInode = Inode(inDest);
    Select({inDest, other});
    SetDestinations({dest});
    SetOption(keys::ReplaceFilesBySameName, true);
    SetOption(keys::SelectMovedItem, true);

    HardLinkSelectionToFolder(*m_ctx, 1);

    EXPECT_EQ(ReadFile(inDest), "precious");
    EXPECT_EQ(Inode(inDest), aInode);
    EXPECT_EQ(Inode(dest + "/b.txt"), Inode(other)) << "a hard link, not a copy";
    EXPECT_EQ(m_platform.beeps, 1);
    EXPECT_EQ(LogLines(), QStringList{QStringLiteral(
                              "Ferrolet: An error occurred hard linking a folder or file.")});
    EXPECT_EQ(m_platform.revealed, std::vector<std::string>{dest + "/b.txt"});
    EXPECT_EQ(m_platform.sounds, QStringList{"complete"});
}

TEST_F(LinkCommandsTest, ReplacedItemComesBackWhenTheLinkFails) {
    const std::string dest = MakeDir("Dest");
    WriteFile("Dest/notes", "older notes");
    WriteFile("Dest/Folder", "older file named like the folder");
    const std::string item = WriteFile("Work/notes", "new notes");
    SetOption(keys::ReplaceFilesBySameName, true);

    // The clash is replaced when the link is made...
    FileRef made;
    ASSERT_EQ(MakeHardLinkAtPath(*m_settings, item, dest, &made), 0);
    EXPECT_EQ(ReadFile(dest + "/notes"), "new notes");
    EXPECT_EQ(made.Inode(), Inode(item));

    // ...and survives when it cannot be: a folder cannot be hard-linked.
    MakeDir("Work/Folder");
    EXPECT_EQ(MakeHardLinkAtPath(*m_settings, Path("Work/Folder"), dest), EPERM);
    EXPECT_EQ(ReadFile(dest + "/Folder"), "older file named like the folder");

    // A link is linked as the link it is, never what it points to.
    ASSERT_EQ(symlink("/etc/hostname", Path("Work/pointer").c_str()), 0);
    ASSERT_EQ(MakeHardLinkAtPath(*m_settings, Path("Work/pointer"), dest, &made), 0);
    EXPECT_EQ(LinkTarget(dest + "/pointer"), "/etc/hostname");
    EXPECT_EQ(Inode(dest + "/pointer"), Inode(Path("Work/pointer")));

    // Nothing in the destination carries the hidden set-aside names.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dest),
                            std::filesystem::directory_iterator()),
              3);
}

TEST_F(LinkCommandsTest, HardLinkAcrossFileSystemsFailsWithTheDocumentedLines) {
    if (access("/dev/shm", W_OK) != 0 || Device("/dev/shm") == Device(m_root)) {
        GTEST_SKIP() << "needs /dev/shm on a file system of its own";
    }
    char shm[] = "/dev/shm/ferrolet-link-XXXXXX";
    ASSERT_NE(mkdtemp(shm), nullptr);
    const std::string dest = shm;
    { std::ofstream(dest + "/report.txt") << "on the other side"; }
    const std::string item = WriteFile("report.txt", "here");
    Select({item});
    SetDestinations({dest});
    SetOption(keys::ReplaceFilesBySameName, true);

    EXPECT_EQ(MakeHardLinkAtPath(*m_settings, item, dest), EXDEV);
    HardLinkSelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(m_platform.beeps, 1);
    EXPECT_EQ(LogLines(), QStringList{QStringLiteral(
                              "Ferrolet: An error occurred hard linking a folder or file.")});
    EXPECT_TRUE(m_platform.sounds.isEmpty());
    std::string kept;
    std::getline(std::ifstream(dest + "/report.txt"), kept);
    EXPECT_EQ(kept, "on the other side") << "the replaced item comes back";
    std::filesystem::remove_all(dest);
}

TEST_F(LinkCommandsTest, HardLinkToAMissingDestinationLogsItsCode) {
    const std::string item = WriteFile("a.txt", "a");
    Select({item});
    m_platform.dialogAnswers.push_back({Path("gone")});
    HardLinkSelectionToFolder(*m_ctx, 0);
    EXPECT_EQ(m_platform.beeps, 1);
    EXPECT_EQ(
        LogLines(),
        (QStringList{"Ferrolet: An error occurred hard linking a folder or file. Error code = 2",
                     "Ferrolet: An error occurred hard linking a folder or file."}));
}

TEST_F(LinkCommandsTest, ProtectedHardlinksRefuseOthersFiles) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root may link anything; the unprivileged run covers this";
    }
    std::ifstream setting("/proc/sys/fs/protected_hardlinks");
    int protectedLinks = 0;
    if (!(setting >> protectedLinks) || protectedLinks != 1) {
        GTEST_SKIP() << "protected_hardlinks is off";
    }
    // A file of another user that we may neither write nor (for some) read,
    // on the file system of our temporary folder.
    std::string foreign;
    for (const char* candidate : {"/tmp", "/etc", "/usr/bin", "/usr/lib"}) {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(candidate, ec)) {
            struct stat st {};
            if (lstat(entry.path().c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                st.st_uid != geteuid() && st.st_dev == Device(m_root) &&
                access(entry.path().c_str(), W_OK) != 0) {
                foreign = entry.path();
                break;
            }
        }
        if (!foreign.empty()) {
            break;
        }
    }
    if (foreign.empty()) {
        GTEST_SKIP() << "no other user's file on this file system";
    }
    const std::string dest = MakeDir("Dest");
    EXPECT_EQ(MakeHardLinkAtPath(*m_settings, foreign, dest), EPERM) << foreign;
    Select({foreign});
    SetDestinations({dest});
    HardLinkSelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(m_platform.beeps, 1);
    EXPECT_EQ(LogLines(), QStringList{QStringLiteral(
                              "Ferrolet: An error occurred hard linking a folder or file.")});
    EXPECT_FALSE(Exists(dest + "/" + std::filesystem::path(foreign).filename().string()));
}

} // namespace

namespace {

// The menu tags reach the three commands: k × 1003 archives, k × 1004
// aliases, k × 1006 hard-links, each into the k-th listed folder.
TEST_F(LinkCommandsTest, MenuTagsRunArchiveAliasAndHardLink) {
    const std::string first = MakeDir("First");
    const std::string second = MakeDir("Second");
    const std::string item = WriteFile("Work/item.txt", "item");
    Select({item});
    SetDestinations({first, second});

    RunTaggedCommand(*m_ctx, 2 * 1003);
    RunTaggedCommand(*m_ctx, 1 * 1004);
    RunTaggedCommand(*m_ctx, 2 * 1006);

    EXPECT_TRUE(Exists(second + "/item.txt.zip"));
    EXPECT_EQ(LinkTarget(first + "/item.txt"), item);
    EXPECT_EQ(Inode(second + "/item.txt"), Inode(item));
    EXPECT_EQ(m_platform.beeps, 0);
    EXPECT_EQ(m_platform.sounds.size(), 3);
}

} // namespace
