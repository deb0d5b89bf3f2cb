// Archive To end to end: the first selected item archived, the archive
// moved by the move core into the destination, revealed, the sound played,
// and nothing of ours left behind.
#include "fileops/commands/ArchiveCommand.h"
#include "../zip/ZipReadBack.h"
#include "CommandRunFixture.h"
#include "util/AppPaths.h"

#include <QRegularExpression>

#include <filesystem>

using namespace ferrolet;
using ferrolet::test::ReadZip;

namespace {

class ArchiveCommandTest : public ferrolet::test::CommandRunFixture {
protected:
    std::vector<std::string> Names(const std::string& folder) {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // What the state folder holds besides the filing journal.
    std::vector<std::string> HeldNames() {
        std::vector<std::string> names = Names(StateDirectory());
        std::erase_if(names, [](const std::string& n) { return n.starts_with("journal.sqlite"); });
        return names;
    }
};

TEST_F(ArchiveCommandTest, EverySelectedItemGoesIntoOneArchiveUnderItsOwnName) {
    const std::string dest = MakeDir("Dest");
    WriteFile("Work/Report.pdf", "report body");
    WriteFile("Work/Photos/beach.jpg", "sand");
    WriteFile("Other/Report.pdf", "another report");
    Select({Path("Work/Report.pdf"), Path("Work/Photos"), Path("Other/Report.pdf")});
    SetDestinations({dest});
    SetOption(keys::SelectMovedItem, true);

    ArchiveSelectionToFolder(*m_ctx, 1);

    EXPECT_EQ(Names(dest), std::vector<std::string>{"Archive.zip"});
    const auto zip = ReadZip(dest + "/Archive.zip");
    EXPECT_TRUE(zip.unzipOk);
    // A folder among several keeps its name; the second Report.pdf must not
    // overwrite the first when unzipped.
    std::vector<std::string> names;
    for (const auto& [name, entry] : zip.entries) {
        names.push_back(name);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Photos/", "Photos/beach.jpg", "Report 2.pdf",
                                               "Report.pdf"}));
    EXPECT_EQ(zip.entries.at("Report.pdf").data, "report body");
    EXPECT_EQ(zip.entries.at("Report 2.pdf").data, "another report");
    // The originals stay where they were.
    EXPECT_EQ(ReadFile(Path("Work/Report.pdf")), "report body");
    EXPECT_EQ(Names(Path("Work")), (std::vector<std::string>{"Photos", "Report.pdf"}));
    EXPECT_TRUE(LogLines().contains(QStringLiteral("Moved \"Archive.zip\" to \"Dest\"")))
        << LogLines().join('\n').toStdString();
    EXPECT_EQ(m_platform.revealed, std::vector<std::string>{dest + "/Archive.zip"});
    EXPECT_TRUE(m_platform.notifications.isEmpty());
    EXPECT_EQ(m_platform.sounds, QStringList{"complete"});
    EXPECT_EQ(m_platform.beeps, 0);
    EXPECT_EQ(HeldNames(), std::vector<std::string>{})
        << "the emptied UUID folder goes after the move";
}

TEST_F(ArchiveCommandTest, ClashGivesTheMoveCoresUniqueNameAndKeepsTheOldArchive) {
    const std::string dest = MakeDir("Dest");
    WriteFile("Dest/Report.pdf.zip", "an older archive");
    WriteFile("Report.pdf", "new report");
    Select({Path("Report.pdf")});
    SetDestinations({dest});
    SetOption(keys::ReplaceFilesBySameName, false);

    ArchiveSelectionToFolder(*m_ctx, 1);

    const std::vector<std::string> names = Names(dest);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(ReadFile(dest + "/Report.pdf.zip"), "an older archive");
    const QRegularExpression unique(
        "^Report\\.pdf - [0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.zip$");
    EXPECT_TRUE(unique.match(QString::fromStdString(names[0])).hasMatch()) << names[0];
    EXPECT_EQ(ReadZip(dest + "/" + names[0]).entries.at("Report.pdf").data, "new report");

    // With replacing on, the older archive gives way.
    SetOption(keys::ReplaceFilesBySameName, true);
    ArchiveSelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(ReadZip(dest + "/Report.pdf.zip").entries.at("Report.pdf").data, "new report");
    EXPECT_EQ(Names(dest).size(), 2u);
}

TEST_F(ArchiveCommandTest, FolderArchiveHoldsItsContentsThroughTheDialog) {
    const std::string dest = MakeDir("Chosen");
    WriteFile("Photos/a.jpg", "A");
    WriteFile("Photos/Trip/b.jpg", "B");
    Select({Path("Photos")});
    m_platform.dialogAnswers.push_back({dest});

    ArchiveSelectionToFolder(*m_ctx, 0);

    ASSERT_EQ(m_platform.dialogs.size(), 1u);
    const auto zip = ReadZip(dest + "/Photos.zip");
    EXPECT_TRUE(zip.unzipOk);
    EXPECT_EQ(zip.entries.size(), 3u);
    EXPECT_EQ(zip.entries.at("a.jpg").data, "A");
    EXPECT_EQ(zip.entries.at("Trip/b.jpg").data, "B");
    EXPECT_EQ(zip.entries.count("Photos/"), 0u);
}

TEST_F(ArchiveCommandTest, CancelledDialogOrNoSelectionLeavesNothingBehind) {
    WriteFile("Report.pdf", "x");
    Select({Path("Report.pdf")});
    m_platform.dialogAnswers.push_back({});
    ArchiveSelectionToFolder(*m_ctx, 0);
    EXPECT_EQ(m_platform.dialogs.size(), 1u);

    Select({});
    ArchiveSelectionToFolder(*m_ctx, 0);
    EXPECT_EQ(m_platform.dialogs.size(), 1u) << "no selection: not even a dialog";

    EXPECT_EQ(HeldNames(), std::vector<std::string>{});
    EXPECT_EQ(m_platform.beeps, 0);
    EXPECT_TRUE(m_platform.sounds.isEmpty());
    EXPECT_TRUE(LogLines().isEmpty());
}

TEST_F(ArchiveCommandTest, FailuresBeepLogAndNeverLoseTheArchive) {
    const std::string archiveFailed = "Ferrolet: An error occurred archiving a folder or file.";
    // An item that has gone since the menu was built cannot be archived.
    WriteFile("Gone.txt", "x");
    Select({Path("Gone.txt")});
    ASSERT_EQ(unlink(Path("Gone.txt").c_str()), 0);
    SetDestinations({MakeDir("Dest")});
    ArchiveSelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(m_platform.beeps, 1);
    EXPECT_EQ(LogLines(), QStringList{QString::fromStdString(archiveFailed)});
    EXPECT_EQ(HeldNames(), std::vector<std::string>{});

    // A state folder that is a link is not used, and that is said.
    ClearLog();
    WriteFile("Notes.txt", "notes");
    Select({Path("Notes.txt")});
    const std::string state = StateDirectory();
    ASSERT_EQ(rmdir(state.c_str()), 0);
    ASSERT_EQ(symlink(MakeDir("elsewhere").c_str(), state.c_str()), 0);
    ArchiveSelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(m_platform.beeps, 2);
    EXPECT_EQ(LogLines(), QStringList{QString::fromStdString(archiveFailed)});
    EXPECT_TRUE(Names(Path("elsewhere")).empty());
    EXPECT_TRUE(Names(Path("Dest")).empty());
    ASSERT_EQ(unlink(state.c_str()), 0);

    // A listed destination that has gone: the move fails, and the finished
    // archive comes out of the state folder, beside the item, under a
    // unique name, with the run's report saying where.
    ClearLog();
    WriteFile("Report.pdf", "keep me");
    Select({Path("Report.pdf")});
    SetDestinations({MakeDir("Vanishing")});
    ASSERT_EQ(rmdir(Path("Vanishing").c_str()), 0);
    ArchiveSelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(m_platform.beeps, 3);
    EXPECT_TRUE(LogLines().contains(QString::fromStdString(archiveFailed)));
    EXPECT_TRUE(m_platform.sounds.isEmpty());
    EXPECT_EQ(HeldNames(), std::vector<std::string>{});
    std::vector<std::string> beside;
    for (const std::string& name : Names(m_root)) {
        if (name.starts_with("Report.pdf - ") && name.ends_with(".zip")) {
            beside.push_back(name);
        }
    }
    ASSERT_EQ(beside.size(), 1u) << LogLines().join('\n').toStdString();
    EXPECT_EQ(ReadZip(Path(beside[0])).entries.at("Report.pdf").data, "keep me");

    // A file that cannot be read whole fails the archive, and the line names
    // it: a sysfs file claims 4096 bytes and gives far fewer, so it reads as
    // a file that shrank (EBUSY) even for root; a folder without permissions
    // is unreadable to anyone else.
    ClearLog();
    WriteFile("Album/inner/photo.jpg", "photo");
    SetDestinations({MakeDir("Dest2")});
    Select({Path("Album"), "/sys/power/state"});
    ArchiveSelectionToFolder(*m_ctx, 1);
    EXPECT_TRUE(LogLines().contains("Ferrolet: \"state\" could not be archived. Error code = 16"))
        << LogLines().join('\n').toStdString();
    if (geteuid() != 0) {
        ClearLog();
        Select({Path("Album")});
        std::filesystem::permissions(Path("Album/inner"), std::filesystem::perms::none);
        ArchiveSelectionToFolder(*m_ctx, 1);
        std::filesystem::permissions(Path("Album/inner"), std::filesystem::perms::owner_all);
        EXPECT_TRUE(LogLines().contains(
            "Ferrolet: \"Album/inner\" could not be archived. Error code = 13"));
    }
    EXPECT_EQ(HeldNames(), std::vector<std::string>{});
}

} // namespace
