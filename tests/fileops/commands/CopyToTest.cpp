// Copy To against real folders: clashes reported, replacements kept safe,
// whole trees copied, comments carried, the sound only after a good last copy.
#include "DestinationCommandFixture.h"
#include "fileops/commands/CopySelection.h"
#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"

#include <unistd.h>

using namespace ferrolet;

namespace {

class CopyToTest : public ferrolet::test::DestinationCommandTest {};

QString CopyFailed(int status) {
    return QStringLiteral(
               "Ferrolet: An error occurred copying a file system object. Error code = %1")
        .arg(status);
}

TEST_F(CopyToTest, AClashIsReportedAndTheRestIsCopied) {
    WriteFile("dest/a.txt", "old a");
    const std::string a = WriteFile("src/a.txt", "new a");
    const std::string b = WriteFile("src/b.txt", "b");
    SetDestinations({Path("dest")});
    SetSwitch(keys::SelectMovedItem, true);
    SetSwitch(keys::ReplaceFilesBySameName, false);
    SetSound(QStringLiteral("complete"));

    Select({a, b});
    CopySelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(ReadFile(Path("dest/a.txt")), "old a");
    EXPECT_EQ(ReadFile(Path("dest/b.txt")), "b");
    EXPECT_EQ(ReadFile(a), "new a");
    EXPECT_EQ(ReadFile(b), "b");
    EXPECT_EQ(m_platform.beeps, 1);
    EXPECT_EQ(CountLog(CopyFailed(EEXIST)), 1) << LogLines().join('\n').toStdString();
    EXPECT_EQ(m_platform.revealed, std::vector<std::string>{Path("dest/b.txt")});
    EXPECT_EQ(m_platform.sounds, QStringList{"complete"});

    // The clash last: no sound.
    m_platform.sounds.clear();
    const std::string c = WriteFile("src/c.txt", "c");
    Select({c, a});
    CopySelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(ReadFile(Path("dest/c.txt")), "c");
    EXPECT_EQ(m_platform.beeps, 2);
    EXPECT_TRUE(m_platform.sounds.isEmpty());

    // Replacement on: the old copy gives way.
    SetSwitch(keys::ReplaceFilesBySameName, true);
    Select({a});
    CopySelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(ReadFile(Path("dest/a.txt")), "new a");
    EXPECT_EQ(Names(Path("dest")), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(m_platform.beeps, 2);

    // Into its own folder: nothing deleted, the clash reported.
    Select({a});
    CopySelectionToFolder(*m_ctx, 0); // cancelled dialog: nothing
    m_platform.dialogAnswers.push_back({Path("src")});
    CopySelectionToFolder(*m_ctx, 0);
    EXPECT_EQ(ReadFile(a), "new a");
    EXPECT_EQ(m_platform.beeps, 3);
}

TEST_F(CopyToTest, AFolderIsCopiedWholeWithItsOwnCommentOnly) {
    WriteFile("src/Box/one.txt", "1");
    WriteFile("src/Box/deeper/two.txt", "2");
    ASSERT_EQ(symlink("one.txt", Path("src/Box/link").c_str()), 0);
    ASSERT_EQ(mkfifo(Path("src/Box/fifo").c_str(), 0644), 0);
    const bool xattrs =
        SetComment(Path("src/Box"), "the box") && SetComment(Path("src/Box/one.txt"), "inner");
    MakeDir("dest");
    SetDestinations({Path("dest")});
    SetSwitch(keys::PreserveComments, true);
    Select({Path("src/Box")});
    CopySelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(ReadFile(Path("dest/Box/one.txt")), "1");
    EXPECT_EQ(ReadFile(Path("dest/Box/deeper/two.txt")), "2");
    char target[32] = {};
    ASSERT_GT(readlink(Path("dest/Box/link").c_str(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "one.txt");
    struct stat st {};
    ASSERT_EQ(lstat(Path("dest/Box/fifo").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    if (xattrs) {
        EXPECT_EQ(Comment(Path("dest/Box")), "the box");
    }
    EXPECT_EQ(m_platform.beeps, 0);
}

TEST_F(CopyToTest, AMissingOrFileDestinationIsAFailureNotASuccess) {
    const std::string a = WriteFile("src/a.txt", "a");
    const std::string file = WriteFile("plain", "p");
    MakeDir("gone");
    SetDestinations({Path("gone"), file});
    ASSERT_EQ(rmdir(Path("gone").c_str()), 0);
    SetSwitch(keys::SelectMovedItem, true);
    SetSound(QStringLiteral("complete"));
    Select({a});

    CopySelectionToFolder(*m_ctx, 1);
    CopySelectionToFolder(*m_ctx, 2);
    EXPECT_EQ(m_platform.beeps, 2);
    EXPECT_EQ(CountLog(CopyFailed(ENOENT)) + CountLog(CopyFailed(EINVAL)), 1);
    EXPECT_EQ(CountLog(CopyFailed(ENOTDIR)), 1);
    EXPECT_TRUE(m_platform.sounds.isEmpty());
    EXPECT_TRUE(m_platform.revealed.empty());
    EXPECT_EQ(ReadFile(file), "p");

    // An item that vanished is a failed copy too, since its reference is
    // used as it stands.
    MakeDir("dest");
    SetDestinations({Path("dest")});
    ASSERT_EQ(unlink(a.c_str()), 0);
    CopySelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(m_platform.beeps, 3);
    EXPECT_TRUE(Names(Path("dest")).empty());
}

TEST_F(CopyToTest, TheChosenFolderTakesEveryItemWhileTheListChanges) {
    const std::string one = MakeDir("one");
    const std::string two = MakeDir("two");
    SetDestinations({one, two});
    Select({WriteFile("src/a.txt", "a"), WriteFile("src/b.txt", "b")});
    // Remove Folder of "one" in another process while the first copy runs:
    // "two" becomes the first entry of the list.
    ProgressSink progress;
    int started = 0;
    progress.started = [&](const std::string&, uint64_t) {
        if (started++ == 0) {
            SettingsStore other;
            StoreDestinationPathnames(other, {QString::fromStdString(two)});
        }
    };
    m_ctx->progress = &progress;
    CopySelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(started, 2);
    EXPECT_EQ(Names(one), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_TRUE(Names(two).empty());
    EXPECT_EQ(m_platform.notifications.size(), 0);
}

} // namespace
