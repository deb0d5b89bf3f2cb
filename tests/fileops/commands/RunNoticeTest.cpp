// What a command run shows: one reveal of all its items and, when something
// failed or it could not start, one notification in plain words.
#include "CommandRunFixture.h"
#include "fileops/commands/ArchiveCommand.h"
#include "fileops/commands/HardLinkCommand.h"
#include "fileops/commands/MoveSelection.h"
#include "fileops/commands/PutInItsPlace.h"
#include "fileops/commands/RunReport.h"

#include <gtest/gtest.h>

#include <functional>
#include <unistd.h>

using namespace ferrolet;

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
        {{"Move To", "moved", "Projects", false, 5, failures(3), {}},
         "Move To: 3 of 5 items not moved",
         "Destination: Projects\n\u201Cf0\u201D: No space left on device\n"
         "\u201Cf1\u201D: Invalid cross-device link\n\u201Cf2\u201D: No space left on device"},
        {{"Copy To", "copied", "Projects", false, 5, failures(5), {}},
         "Copy To: 5 of 5 items not copied",
         "Destination: Projects\n\u201Cf0\u201D: No space left on device\n"
         "\u201Cf1\u201D: Invalid cross-device link\n\u201Cf2\u201D: No space left on "
         "device\n\u2026and 2 more"},
        {{"Move To", "moved", "Gone", true, 1, failures(1), {}},
         "Move To: 1 of 1 item not moved",
         "Destination not found: Gone\n\u201Cf0\u201D: No space left on device"},
        {{"Archive To", "archived", {}, false, 3, {{"Archive.zip", "Permission denied", 3}}, {}},
         "Archive To: 3 of 3 items not archived",
         "\u201CArchive.zip\u201D: Permission denied"},
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

class RunNoticeTest : public test::CommandRunFixture {
protected:
    dev_t Device(const std::string& path) {
        struct stat st {};
        return stat(path.c_str(), &st) == 0 ? st.st_dev : 0;
    }
};

TEST_F(RunNoticeTest, TwentyMovedFilesAreRevealedInOneRequestWithoutANotice) {
    const std::string dest = MakeDir("Projects");
    std::vector<std::string> paths;
    std::vector<std::string> arrived;
    for (int i = 0; i < 20; ++i) {
        const std::string name = "file" + std::to_string(i) + ".txt";
        paths.push_back(WriteFile("desk/" + name, "x"));
        arrived.push_back(dest + "/" + name);
    }
    Select(paths);
    SetDestinations({dest});
    SetOption(keys::SelectMovedItem, true);

    MoveSelectionToFolder(*m_ctx, 1);

    ASSERT_EQ(m_platform.revealRequests.size(), 1u);
    EXPECT_EQ(m_platform.revealRequests[0], arrived);
    EXPECT_TRUE(m_platform.notifications.isEmpty());
    EXPECT_EQ(m_platform.sounds, QStringList{"complete"});
}

TEST_F(RunNoticeTest, EveryFailureShowsOneNotificationWithCountsAndReasons) {
    struct Case {
        const char* what;
        // Sets up the files and runs the command.
        std::function<void()> run;
        QString summary;
        QStringList bodyHas;
    };
    const Case cases[] = {
        {"destination deleted",
         [&] {
             Select({WriteFile("a/one.txt"), WriteFile("a/two.txt")});
             SetDestinations({MakeDir("Projects")});
             ASSERT_EQ(rmdir(Path("Projects").c_str()), 0);
             MoveSelectionToFolder(*m_ctx, 1);
         },
         "Move To: 2 of 2 items not moved",
         {"Destination not found: Projects", "\u201Cone.txt\u201D: No such file or directory"}},
        {"folder into itself",
         [&] {
             Select({MakeDir("b/Box"), WriteFile("b/ok.txt")});
             SetDestinations({MakeDir("b/Box/inner")});
             MoveSelectionToFolder(*m_ctx, 1);
         },
         "Move To: 1 of 2 items not moved",
         {"Destination: inner", "\u201CBox\u201D: Invalid argument"}},
        {"no rule for the extension",
         [&] {
             m_extensions.insert(QStringLiteral("pdf"), QString::fromStdString(MakeDir("Docs")));
             Select({WriteFile("c/paper.pdf"), WriteFile("c/notes.txt"), WriteFile("c/README")});
             PutInItsPlace(*m_ctx);
         },
         "Put In Its Place: 2 of 3 items not moved",
         {"\u201Cnotes.txt\u201D: No folder is set for .txt items",
          "\u201CREADME\u201D: No folder is set for items without an extension"}},
        {"nothing selected",
         [&] {
             m_selection = {};
             SetDestinations({MakeDir("Projects2")});
             MoveSelectionToFolder(*m_ctx, 1);
         },
         "Move To: nothing moved",
         {"Nothing is selected."}},
        {"archive of three into a deleted folder",
         [&] {
             Select({WriteFile("d/1"), WriteFile("d/2"), WriteFile("d/3")});
             SetDestinations({MakeDir("Out")});
             ASSERT_EQ(rmdir(Path("Out").c_str()), 0);
             ArchiveSelectionToFolder(*m_ctx, 1);
         },
         "Archive To: 3 of 3 items not archived",
         {"Destination not found: Out", "\u201CArchive.zip\u201D: No such file or directory"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        m_platform.notifications.clear();
        const int beepsBefore = m_platform.beeps;
        c.run();
        ASSERT_EQ(m_platform.notifications.size(), 1);
        const QStringList lines = m_platform.notifications[0].split('\n');
        EXPECT_EQ(lines[0], c.summary);
        for (const QString& line : c.bodyHas) {
            EXPECT_TRUE(m_platform.notifications[0].contains(line))
                << m_platform.notifications[0].toStdString();
        }
        if (c.summary != "Move To: nothing moved" && !c.summary.startsWith("Put In")) {
            EXPECT_GT(m_platform.beeps, beepsBefore) << "the beep stays";
        }
    }
}

TEST_F(RunNoticeTest, HardLinkAcrossFileSystemsNamesTheSystemsReason) {
    if (access("/dev/shm", W_OK) != 0 || Device("/dev/shm") == Device(Path(""))) {
        GTEST_SKIP() << "needs /dev/shm on a file system of its own";
    }
    char shm[] = "/dev/shm/ferrolet-notice-XXXXXX";
    ASSERT_NE(mkdtemp(shm), nullptr);
    Select({WriteFile("e/linked.txt")});
    SetDestinations({shm});
    HardLinkSelectionToFolder(*m_ctx, 1);
    rmdir(shm);
    ASSERT_EQ(m_platform.notifications.size(), 1);
    EXPECT_TRUE(m_platform.notifications[0].startsWith("Hard Link To: 1 of 1 item not linked\n"));
    EXPECT_TRUE(
        m_platform.notifications[0].contains("\u201Clinked.txt\u201D: Invalid cross-device link"))
        << m_platform.notifications[0].toStdString();
}

} // namespace
