// Comments (user.xdg.comment) travel with the items that Move, Copy and Wrap
// file away, within one file system and across two, and a comment that
// cannot be written never turns a finished move into a failure.
#include "CommandFixture.h"
#include "fileops/commands/CopySelection.h"
#include "fileops/commands/MoveSelection.h"
#include "fileops/commands/WrapItems.h"

#include <QTimeZone>

#include <filesystem>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet::test {
namespace {

class CommentsTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        OtherFs();
        SetOption(keys::PromptForWrap, false);
        SetOption(keys::PreserveComments, true);
    }
};

TEST_F(CommentsTest, EveryWayOfFilingCarriesTheComment) {
    const std::string wrapper = "Wrapped Items 2009-05-12 14-03-27 +0000";
    struct Row {
        const char* what;
        std::function<void()> run;
        std::string arrived;
        bool wrapCopies = true;
    };
    const std::vector<Row> rows{
        {"move", [this] { MoveSelectionToFolder(*m_ctx, 1); }, Path("dest/item")},
        {"move across file systems", [this] { MoveSelectionToFolder(*m_ctx, 2); },
         m_otherFs + "/item"},
        {"copy", [this] { CopySelectionToFolder(*m_ctx, 1); }, Path("dest/item")},
        {"copy across file systems", [this] { CopySelectionToFolder(*m_ctx, 2); },
         m_otherFs + "/item"},
        {"wrap (copies)", [this] { WrapItems(*m_ctx); }, Path("src/" + wrapper + "/item")},
        {"wrap (moves)", [this] { WrapItems(*m_ctx); }, Path("src/" + wrapper + "/item"), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        RemoveAll({"src", "dest"});
        std::filesystem::remove_all(m_otherFs + "/item");
        SetOption(keys::WrapCopies, row.wrapCopies);
        const std::string item = MakeDir("src/item");
        ASSERT_TRUE(SetComment(WriteFile("src/item/inner", "i"), "inner"));
        if (!SetComment(item, "filed by hand")) {
            GTEST_SKIP() << "no user extended attributes on this file system";
        }
        SetDestinations({MakeDir("dest"), m_otherFs});
        Select({item});
        m_platform = FakePlatform();
        m_platform.now = QDateTime(QDate(2009, 5, 12), QTime(14, 3, 27), QTimeZone(0));

        row.run();

        EXPECT_EQ(Comment(row.arrived), "filed by hand");
        EXPECT_EQ(Comment(row.arrived + "/inner"), "inner");
        EXPECT_EQ(m_platform.beeps, 0) << Log();
    }
}

TEST_F(CommentsTest, UnprivilegedCommentThatCannotBeWrittenDoesNotUndoTheMove) {
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
    SetOption(keys::SelectMovedItem, true);
    SetDestinations({MakeDir("dest")});
    Select({a});
    MoveSelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(ReadFile(Path("dest/a.txt")), "a");
    EXPECT_FALSE(Exists(a));
    EXPECT_EQ(m_platform.beeps, 0) << Log();
    EXPECT_EQ(m_platform.sounds, QStringList{"complete"});
    EXPECT_EQ(m_platform.revealed, std::vector<std::string>{Path("dest/a.txt")});
    EXPECT_EQ(CountLog(QStringLiteral(
                  "Ferrolet: The comment of \"a.txt\" could not be kept\\. Error code = \\d+")),
              1);
}

} // namespace
} // namespace ferrolet::test
