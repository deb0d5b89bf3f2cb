// What a command run shows when something failed: one notification in plain
// words, with counts and the system's reasons.
#include "CommandFixture.h"
#include "fileops/commands/MoveSelection.h"
#include "fileops/commands/PutInItsPlace.h"
#include "fileops/commands/RunReport.h"

#include <gtest/gtest.h>

namespace ferrolet::test {
namespace {

TEST(RunReport, TurnsIntoOneNoticeInPlainWords) {
    auto failures = [](int n) {
        std::vector<RunReport::Failure> list;
        const char* reasons[] = {"No space left on device", "Invalid cross-device link"};
        for (int i = 0; i < n; ++i) {
            list.push_back({QStringLiteral("f%1").arg(i), QString::fromUtf8(reasons[i % 2]), 1});
        }
        return list;
    };
    struct Case {
        RunReport report;
        QString summary; // empty: no notice at all
        QString body;
    };
    const Case cases[] = {
        {{"Move To", "moved", "Projects", false, 5, {}, {}}, {}, {}},
        {{"Copy To", "copied", "Projects", false, 5, failures(5), {}},
         "Copy To: 5 of 5 items not copied",
         "Destination: Projects\n\u201Cf0\u201D: No space left on device\n"
         "\u201Cf1\u201D: Invalid cross-device link\n\u201Cf2\u201D: No space left on "
         "device\n\u2026and 2 more"},
        {{"Move To", "moved", "Gone", true, 1, failures(1), {}},
         "Move To: 1 of 1 item not moved",
         "Destination not found: Gone\n\u201Cf0\u201D: No space left on device"},
        {{"Move To", "moved", {}, false, 0, {}, "Nothing is selected."},
         "Move To: nothing moved",
         "Nothing is selected."},
    };
    for (const Case& c : cases) {
        const std::optional<RunNotice> notice = NoticeFor(c.report);
        ASSERT_EQ(notice.has_value(), !c.summary.isEmpty()) << c.summary.toStdString();
        if (notice) {
            EXPECT_EQ(notice->summary, c.summary);
            EXPECT_EQ(notice->body, c.body);
        }
    }
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
