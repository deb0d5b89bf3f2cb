// Move To against real folders: what arrives where under which name, what is
// kept, what the user hears and sees, and what the log says.
#include "DestinationCommandFixture.h"
#include "ItemsAtPath.h"
#include "fileops/commands/MoveItem.h"
#include "fileops/commands/MoveSelection.h"
#include "settings/SettingsKeys.h"

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

using namespace ferrolet;
using ferrolet::test::IsUniqueForm;
using ferrolet::test::MoveItemAtPath;

namespace {

class MoveToTest : public ferrolet::test::DestinationCommandTest {};

const QString kMoveFailed = QStringLiteral("Ferrolet: An error occurred moving a folder or file.");

TEST_F(MoveToTest, ClashesTakeUniqueNamesOrReplaceAsTheSettingSays) {
    MakeDir("dest/Photos");
    WriteFile("dest/Photos/old.jpg", "old photo");
    WriteFile("dest/report.pdf", "old report");
    WriteFile("dest/notes.old.txt", "old notes");
    WriteFile("src/report.pdf", "new report");
    WriteFile("src/Photos/new.jpg", "new photo");
    WriteFile("src/notes.old.txt", "new notes");
    SetDestinations({Path("dest")});
    SetSwitch(keys::ReplaceFilesBySameName, false);
    Select({Path("src/report.pdf"), Path("src/Photos"), Path("src/notes.old.txt")});

    MoveSelectionToFolder(*m_ctx, 1);

    std::string report, photos, notes;
    for (const std::string& name : Names(Path("dest"))) {
        if (IsUniqueForm(name, "report", ".pdf")) {
            report = name;
        } else if (IsUniqueForm(name, "Photos", "")) {
            photos = name;
        } else if (IsUniqueForm(name, "notes.old", ".txt")) {
            notes = name;
        }
    }
    ASSERT_FALSE(report.empty() || photos.empty() || notes.empty());
    EXPECT_EQ(Names(Path("dest")).size(), 6u);
    EXPECT_EQ(ReadFile(Path("dest/report.pdf")), "old report");
    EXPECT_EQ(ReadFile(Path("dest/" + report)), "new report");
    EXPECT_EQ(ReadFile(Path("dest/" + photos + "/new.jpg")), "new photo");
    EXPECT_EQ(ReadFile(Path("dest/notes.old.txt")), "old notes");
    EXPECT_TRUE(Names(Path("src")).empty());
    EXPECT_EQ(
        CountLog(QStringLiteral("Moved \"%1\" to \"dest\"").arg(QString::fromStdString(report))),
        1);
    EXPECT_EQ(m_platform.beeps, 0);

    // With replacement on, the same-named file goes and the item keeps its
    // name; a non-empty same-named folder cannot go and the item takes the
    // unique name.
    ClearLog();
    SetSwitch(keys::ReplaceFilesBySameName, true);
    WriteFile("src2/report.pdf", "newest report");
    WriteFile("src2/Photos/newest.jpg", "x");
    Select({Path("src2/report.pdf"), Path("src2/Photos")});
    MoveSelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(ReadFile(Path("dest/report.pdf")), "newest report");
    EXPECT_EQ(ReadFile(Path("dest/Photos/old.jpg")), "old photo");
    EXPECT_EQ(CountLog(QStringLiteral("unlink error: .+")), 1)
        << LogLines().join('\n').toStdString();
    int photoFolders = 0;
    for (const std::string& name : Names(Path("dest"))) {
        photoFolders += IsUniqueForm(name, "Photos", "") ? 1 : 0;
    }
    EXPECT_EQ(photoFolders, 2);
    EXPECT_EQ(Names(Path("dest")).size(), 7u) << "no hidden leftovers of the replacement";
    EXPECT_EQ(m_platform.beeps, 0);
}

TEST_F(MoveToTest, AReplacedItemComesBackWhenTheMoveFails) {
    // A folder into its own subfolder fails; the same-named file set aside
    // for it there must be back afterwards.
    WriteFile("P/inner/P", "keep me");
    SetSwitch(keys::ReplaceFilesBySameName, true);
    SetSound(QStringLiteral("complete"));
    m_platform.dialogAnswers.push_back({Path("P/inner")});
    Select({Path("P")});

    MoveSelectionToFolder(*m_ctx, 0);

    EXPECT_EQ(ReadFile(Path("P/inner/P")), "keep me");
    EXPECT_EQ(Names(Path("P/inner")), std::vector<std::string>{"P"});
    EXPECT_EQ(m_platform.beeps, 1);
    EXPECT_EQ(CountLog(QStringLiteral("An error occurred: %1").arg(EINVAL)), 1);
    EXPECT_EQ(CountLog(kMoveFailed), 1);
    EXPECT_TRUE(m_platform.sounds.isEmpty());
    EXPECT_TRUE(m_platform.revealed.empty());
}

TEST_F(MoveToTest, CommentsTravelOnlyWhenAskedTo) {
    const std::string a = WriteFile("src/a.txt", "a");
    const std::string b = WriteFile("src/b.txt", "b");
    if (!SetComment(a, "from the scanner") || !SetComment(b, "second")) {
        GTEST_SKIP() << "no user extended attributes on this file system";
    }
    MakeDir("dest");
    SetDestinations({Path("dest")});
    SetSwitch(keys::PreserveComments, true);
    Select({a});
    MoveSelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(Comment(Path("dest/a.txt")), "from the scanner");

    // Off: the comment is neither read nor written. Within one file system
    // the attribute stays with the file, so cross to another to tell.
    char shm[] = "/dev/shm/ferrolet-cmt-XXXXXX";
    ASSERT_NE(mkdtemp(shm), nullptr);
    SetSwitch(keys::PreserveComments, false);
    Select({b});
    m_platform.dialogAnswers.push_back({shm});
    MoveSelectionToFolder(*m_ctx, 0);
    const std::string moved = std::string(shm) + "/b.txt";
    EXPECT_EQ(ReadFile(moved), "b");
    // The engine keeps extended attributes on a copy across file systems;
    // what matters is that it arrived and nothing failed.
    EXPECT_EQ(m_platform.beeps, 0);
    EXPECT_EQ(m_platform.revealed.back(), moved) << "revealed at its new place";
    std::filesystem::remove_all(shm);
}

TEST_F(MoveToTest, LinksAreMovedAsLinks) {
    WriteFile("src/a.txt", "a");
    ASSERT_EQ(symlink("a.txt", Path("src/link").c_str()), 0);
    MakeDir("dest");
    SetDestinations({Path("dest")});
    Select({Path("src/link")});
    MoveSelectionToFolder(*m_ctx, 1);
    char target[64] = {};
    ASSERT_GT(readlink(Path("dest/link").c_str(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "a.txt");
    EXPECT_EQ(ReadFile(Path("src/a.txt")), "a");
}

TEST_F(MoveToTest, SoundOnlyAfterTheLastItemAndOnlyWhenItSucceeded) {
    // Second item fails (a folder into its own subfolder): both attempted,
    // the first revealed, no sound.
    WriteFile("src/a.txt", "a");
    MakeDir("src/Box/inner");
    SetSwitch(keys::SelectMovedItem, true);
    SetSound(QStringLiteral("complete"));
    SetDestinations({Path("src/Box/inner")});
    Select({Path("src/a.txt"), Path("src/Box")});
    MoveSelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(ReadFile(Path("src/Box/inner/a.txt")), "a");
    EXPECT_EQ(m_platform.revealed, std::vector<std::string>{Path("src/Box/inner/a.txt")});
    EXPECT_EQ(m_platform.beeps, 1);
    EXPECT_EQ(CountLog(kMoveFailed), 1);
    EXPECT_TRUE(m_platform.sounds.isEmpty());

    // First fails, last succeeds: one sound, after the last.
    m_platform.revealed.clear();
    WriteFile("src/b.txt", "b");
    Select({Path("src/Box"), Path("src/b.txt")});
    MoveSelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(m_platform.beeps, 2);
    EXPECT_EQ(m_platform.sounds, QStringList{"complete"});
    EXPECT_EQ(m_platform.revealed, std::vector<std::string>{Path("src/Box/inner/b.txt")});

    // Three good items: one sound; a switched-off reveal reveals nothing.
    m_platform.sounds.clear();
    m_platform.revealed.clear();
    SetSwitch(keys::SelectMovedItem, false);
    Select({WriteFile("c/1"), WriteFile("c/2"), WriteFile("c/3")});
    MoveSelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(m_platform.sounds, QStringList{"complete"});
    EXPECT_TRUE(m_platform.revealed.empty());
    EXPECT_TRUE(Exists(Path("src/Box/inner/3")));
}

TEST_F(MoveToTest, MovingIntoItsOwnFolderIsASilentSuccess) {
    const std::string a = WriteFile("dest/a.txt", "a");
    SetSwitch(keys::SelectMovedItem, true);
    SetSound(QStringLiteral("complete"));
    SetDestinations({Path("dest")});
    Select({a});
    MoveSelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(Names(Path("dest")), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(CountLog(QStringLiteral("Moved .*")), 0);
    EXPECT_EQ(m_platform.revealed, std::vector<std::string>{a});
    EXPECT_EQ(m_platform.sounds, QStringList{"complete"});
    EXPECT_EQ(m_platform.beeps, 0);
}

TEST_F(MoveToTest, BadDestinationsFailWithTheirLinesAndKeepTheItem) {
    const std::string a = WriteFile("src/a.txt", "a");
    const std::string file = WriteFile("not-a-folder", "f");
    MakeDir("gone");
    SetDestinations({Path("gone"), file});
    ASSERT_EQ(rmdir(Path("gone").c_str()), 0); // listed, then deleted
    SetSound(QStringLiteral("complete"));
    Select({a});

    MoveSelectionToFolder(*m_ctx, 1); // "<< Folder Not Found >>"
    EXPECT_EQ(CountLog(QStringLiteral(
                  "Ferrolet: An error occurred moving a folder or file. Error code = \\d+")),
              1);
    MoveSelectionToFolder(*m_ctx, 2); // a file
    EXPECT_EQ(CountLog(QStringLiteral("An error occurred: %1").arg(ENOTDIR)), 1);
    EXPECT_EQ(CountLog(kMoveFailed), 2);
    EXPECT_EQ(m_platform.beeps, 2);

    // An index past the list: skipped silently.
    MoveSelectionToFolder(*m_ctx, 3);
    EXPECT_EQ(m_platform.beeps, 2);
    EXPECT_EQ(ReadFile(a), "a");
    EXPECT_EQ(ReadFile(file), "f");
    EXPECT_TRUE(m_platform.sounds.isEmpty());
}

TEST_F(MoveToTest, AnItemThatVanishedOrWasReplacedIsNotMoved) {
    const std::string a = WriteFile("src/a.txt", "a");
    const std::string b = WriteFile("src/b.txt", "b");
    MakeDir("dest");
    SetDestinations({Path("dest")});
    Select({a, b});
    ASSERT_EQ(unlink(a.c_str()), 0);
    // b's name now holds another file, made before the old one goes so it
    // cannot reuse the inode.
    WriteFile("src/b2.txt", "impostor");
    ASSERT_EQ(rename(Path("src/b2.txt").c_str(), b.c_str()), 0);

    MoveSelectionToFolder(*m_ctx, 1);
    EXPECT_TRUE(Names(Path("dest")).empty());
    EXPECT_EQ(ReadFile(b), "impostor");
    EXPECT_EQ(m_platform.beeps, 0);
    EXPECT_TRUE(m_platform.sounds.isEmpty());
}

TEST_F(MoveToTest, DialogAndSelectionGuards) {
    const std::string a = WriteFile("src/a.txt", "a");
    MakeDir("real");
    ASSERT_EQ(symlink(Path("real").c_str(), Path("link-to-real").c_str()), 0);

    // No selection: not even the dialog.
    m_selection = SelectionSnapshot{};
    MoveSelectionToFolder(*m_ctx, 0);
    EXPECT_TRUE(m_platform.dialogs.empty());

    // Cancelled dialog: nothing.
    Select({a});
    MoveSelectionToFolder(*m_ctx, 0);
    ASSERT_EQ(m_platform.dialogs.size(), 1u);
    EXPECT_EQ(m_platform.dialogs[0].title, "Move \u201Ca.txt\u201D To");
    EXPECT_EQ(m_platform.dialogs[0].prompt, "Move");
    EXPECT_TRUE(m_platform.dialogs[0].bringToFront);
    EXPECT_FALSE(m_platform.dialogs[0].multipleSelection);
    EXPECT_TRUE(Exists(a));

    // A chosen folder that is a link leads to the folder it names.
    m_platform.dialogAnswers.push_back({Path("link-to-real")});
    MoveSelectionToFolder(*m_ctx, 0);
    EXPECT_EQ(ReadFile(Path("real/a.txt")), "a");
    EXPECT_EQ(CountLog(QStringLiteral("Moved \"a.txt\" to \"real\"")), 1);
}

TEST_F(MoveToTest, LongAndOddNamesStayWithinTheNameLimit) {
    const std::string longName = std::string(240, 'n') + ".txt";
    const std::string odd = std::string("new\nline \"q\" \xff.txt");
    MakeDir("dest");
    WriteFile("dest/" + longName, "old");
    WriteFile("dest/" + odd, "old");
    Select({WriteFile("src/" + longName, "new"), WriteFile("src/" + odd, "new odd")});
    MoveItemAtPath(*m_ctx, Path("src/" + longName), Path("dest"));
    EXPECT_TRUE(MoveItemAtPath(*m_ctx, Path("src/" + odd), Path("dest")));
    const auto names = Names(Path("dest"));
    ASSERT_EQ(names.size(), 4u);
    for (const std::string& name : names) {
        EXPECT_LE(name.size(), 255u);
    }
    EXPECT_TRUE(Names(Path("src")).empty());
    // Path wrapper: an item path naming nothing fails quietly.
    EXPECT_FALSE(MoveItemAtPath(*m_ctx, Path("src/none"), Path("dest")));
    EXPECT_EQ(CountLog(QStringLiteral("An error occurred.*|Ferrolet: .*")), 0);
}

class MoveToPermissionTest : public ferrolet::test::DestinationCommandTest {};

TEST_F(MoveToPermissionTest, UnwritableDestinationFailsAndKeepsTheItem) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root ignores permissions; the unprivileged run covers this";
    }
    const std::string a = WriteFile("src/a.txt", "a");
    MakeDir("locked");
    ASSERT_EQ(chmod(Path("locked").c_str(), 0555), 0);
    SetDestinations({Path("locked")});
    SetSound(QStringLiteral("complete"));
    Select({a});
    MoveSelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(ReadFile(a), "a");
    EXPECT_EQ(CountLog(QStringLiteral("An error occurred: %1").arg(EACCES)), 1);
    EXPECT_EQ(m_platform.beeps, 1);
    EXPECT_TRUE(m_platform.sounds.isEmpty());
}

TEST_F(MoveToPermissionTest, ACommentThatCannotBeWrittenDoesNotUndoTheMove) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root may write any attribute; the unprivileged run covers this";
    }
    // A read-only file keeps its comment but takes no new one: the move
    // succeeds, the comment write after it fails.
    const std::string a = WriteFile("src/a.txt", "a");
    if (!SetComment(a, "keep")) {
        GTEST_SKIP() << "no user extended attributes on this file system";
    }
    ASSERT_EQ(chmod(a.c_str(), 0444), 0);
    MakeDir("dest");
    SetSwitch(keys::PreserveComments, true);
    SetSwitch(keys::SelectMovedItem, true);
    SetSound(QStringLiteral("complete"));
    SetDestinations({Path("dest")});
    Select({a});
    MoveSelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(ReadFile(Path("dest/a.txt")), "a");
    EXPECT_FALSE(Exists(a));
    EXPECT_EQ(m_platform.beeps, 0) << LogLines().join('\n').toStdString();
    EXPECT_EQ(m_platform.sounds, QStringList{"complete"});
    EXPECT_EQ(m_platform.revealed, std::vector<std::string>{Path("dest/a.txt")});
    EXPECT_EQ(CountLog(QStringLiteral("Moved \"a.txt\" to \"dest\"")), 1);
    EXPECT_EQ(CountLog(QStringLiteral("Ferrolet: The comment of \"a.txt\" could not be kept\\. "
                                      "Error code = \\d+")),
              1);
}

} // namespace

TEST_F(MoveToTest, AcrossFileSystemsTheReplacedItemKeepsItsNameUntilTheCopyIsComplete) {
    char shm[] = "/dev/shm/ferrolet-replace-XXXXXX";
    ASSERT_NE(mkdtemp(shm), nullptr);
    const std::string dest = shm;
    { std::ofstream(dest + "/movie.bin") << "the version already there"; }
    const std::string source = WriteFile("src/movie.bin", std::string(3 << 20, 'n'));
    SetSwitch(keys::ReplaceFilesBySameName, true);
    SetDestinations({dest});
    Select({source});

    // While the copy runs, the item to be replaced is still whole under its name.
    std::vector<std::string> namesDuringCopy;
    std::string contentDuringCopy;
    ProgressSink sink;
    sink.advanced = [&](uint64_t) {
        if (namesDuringCopy.empty()) {
            for (const std::string& n : Names(dest)) {
                if (n.rfind(".ferrolet-partial-", 0) != 0) {
                    namesDuringCopy.push_back(n);
                }
            }
            contentDuringCopy = ReadFile(dest + "/movie.bin");
        }
        return true;
    };
    m_ctx->progress = &sink;
    MoveSelectionToFolder(*m_ctx, 1);
    m_ctx->progress = nullptr;

    EXPECT_EQ(namesDuringCopy, std::vector<std::string>{"movie.bin"});
    EXPECT_EQ(contentDuringCopy, "the version already there");
    // Afterwards the moved item has the name, and nothing else is left.
    EXPECT_EQ(Names(dest), std::vector<std::string>{"movie.bin"});
    EXPECT_EQ(ReadFile(dest + "/movie.bin").size(), size_t(3 << 20));
    EXPECT_FALSE(Exists(source));
    EXPECT_EQ(m_platform.revealed.back(), dest + "/movie.bin");
    EXPECT_EQ(CountLog("Moved \"movie\\.bin\" to \".*\""), 1);
    std::filesystem::remove_all(dest);
}
