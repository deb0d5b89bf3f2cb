// What a command run shows when something failed: one notification in plain
// words, with counts and the system's reasons.
#include "CommandFixture.h"
#include "fileops/commands/CommandRun.h"
#include "fileops/commands/MoveSelection.h"
#include "fileops/commands/PutInItsPlace.h"
#include "fileops/commands/RunReport.h"

#include <gtest/gtest.h>

namespace ferrolet::test {
namespace {

// Past three failures the body counts the rest instead of naming them.
// (The forms for one item, a gone destination and no selection: the
// destination commands' tests and the real run below.)
TEST(RunReport, ANoticeNamesThreeFailuresAndCountsTheRest) {
    RunReport report{"Copy To", "copied", "Projects", false, 5, {}, {}};
    for (int i = 0; i < 5; ++i) {
        report.failures.push_back({QStringLiteral("f%1").arg(i), QStringLiteral("No space"), 1});
    }
    const std::optional<RunNotice> notice = NoticeFor(report);
    ASSERT_TRUE(notice.has_value());
    EXPECT_EQ(notice->summary, "Copy To: 5 of 5 items not copied");
    EXPECT_EQ(notice->body, "Destination: Projects\n\u201Cf0\u201D: No space\n\u201Cf1\u201D: No "
                            "space\n\u201Cf2\u201D: No space\n\u2026and 2 more");
    report.failures.clear();
    EXPECT_FALSE(NoticeFor(report).has_value()) << "no failure, no notice";
}

// A service run repeated per item reveals an item again: it is asked for
// once, where it came first, and the run's list is handed on.
TEST_F(CommandTest, ARunRevealsEachItemOnceWhereItCameFirst) {
    CommandRun run;
    run.revealed = {"/b", "/a", "/b", "/c", "/a", "/b"};
    FinishCommandRun(m_platform, run);
    EXPECT_EQ(m_platform.revealed, (std::vector<std::string>{"/b", "/a", "/c"}));
    EXPECT_TRUE(run.revealed.empty());
}

TEST_F(CommandTest, FailuresOfARealRunShowTheirReasons) {
    Select({MakeDir("b/Box"), WriteFile("b/ok.txt")});
    SetDestinations({MakeDir("b/Box/inner")});
    MoveSelectionToFolder(*m_ctx, 1);
    m_extensions.insert(QStringLiteral("pdf"), QString::fromStdString(MakeDir("Docs")));
    Select({WriteFile("c/paper.pdf"), WriteFile("c/notes.txt"), WriteFile("c/README")});
    PutInItsPlace(*m_ctx);

    ASSERT_EQ(m_platform.notifications.size(), 2);
    EXPECT_EQ(m_platform.notifications[0],
              "Move To: 1 of 2 items not moved\nDestination: inner\n\u201CBox\u201D: Invalid "
              "argument");
    EXPECT_EQ(m_platform.notifications[1],
              "Put In Its Place: 2 of 3 items not moved\n"
              "\u201Cnotes.txt\u201D: No folder is set for .txt items\n"
              "\u201CREADME\u201D: No folder is set for items without an extension");
}

} // namespace
} // namespace ferrolet::test
