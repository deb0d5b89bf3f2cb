// Archive To beyond what every destination command does: several items in
// one archive under their own names, and failures that never lose the
// finished archive nor leave anything in the state folder.
#include "fileops/commands/ArchiveCommand.h"
#include "../zip/ZipReadBack.h"
#include "CommandFixture.h"
#include "util/AppPaths.h"

#include <filesystem>
#include <unistd.h>

namespace ferrolet::test {
namespace {

using ArchiveCommandTest = CommandTest;

TEST_F(ArchiveCommandTest, SeveralItemsGoIntoOneArchiveEachUnderItsOwnName) {
    const std::string dest = MakeDir("Dest");
    WriteFile("Work/Report.pdf", "report body");
    WriteFile("Work/Photos/beach.jpg", "sand");
    WriteFile("Other/Report.pdf", "another report");
    Select({Path("Work/Report.pdf"), Path("Work/Photos"), Path("Other/Report.pdf")});
    SetDestinations({dest});
    SetOption(keys::SelectMovedItem, false); // the reveal switched off

    ArchiveSelectionToFolder(*m_ctx, 1);

    const auto zip = ReadZip(dest + "/Archive.zip");
    EXPECT_TRUE(zip.unzipOk);
    // A folder among several keeps its name; the second Report.pdf must not
    // overwrite the first when unzipped.
    EXPECT_EQ(zip.entries.size(), 4u);
    EXPECT_EQ(zip.entries.count("Photos/"), 1u);
    EXPECT_EQ(zip.entries.at("Photos/beach.jpg").data, "sand");
    EXPECT_EQ(zip.entries.at("Report.pdf").data, "report body");
    EXPECT_EQ(zip.entries.at("Report 2.pdf").data, "another report");
    EXPECT_EQ(Names(Path("Work")), (std::vector<std::string>{"Photos", "Report.pdf"}));
    EXPECT_EQ(CountLog(QStringLiteral("Moved \"Archive.zip\" to \"Dest\"")), 1);
    EXPECT_TRUE(StateNames().empty()) << "the emptied UUID folder goes after the move";
    EXPECT_TRUE(m_platform.revealed.empty());
    EXPECT_EQ(m_platform.sounds, QStringList{"complete"});
}

TEST_F(ArchiveCommandTest, FailuresNeverLoseTheArchiveNorLeaveItsFolder) {
    const QString failed =
        QStringLiteral("Ferrolet: An error occurred archiving a folder or file.");
    // A state folder that is a link is not used.
    Select({WriteFile("Notes.txt", "notes")});
    SetDestinations({MakeDir("Dest")});
    const std::string state = StateDirectory();
    ASSERT_EQ(rmdir(state.c_str()), 0);
    ASSERT_EQ(symlink(MakeDir("elsewhere").c_str(), state.c_str()), 0);
    ArchiveSelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(LogLines(), QStringList{failed});
    EXPECT_TRUE(Names(Path("elsewhere")).empty());
    EXPECT_TRUE(Names(Path("Dest")).empty());
    ASSERT_EQ(unlink(state.c_str()), 0);

    // A listed destination that has gone: the finished archive comes out of
    // the state folder, beside the item, under a unique name.
    ClearLog();
    Select({WriteFile("Report.pdf", "keep me")});
    SetDestinations({MakeDir("Vanishing")});
    ASSERT_EQ(rmdir(Path("Vanishing").c_str()), 0);
    ArchiveSelectionToFolder(*m_ctx, 1);
    EXPECT_TRUE(LogLines().contains(failed));
    std::vector<std::string> beside = Names(m_root);
    std::erase_if(beside, [](const auto& n) { return !IsUniqueForm(n, "Report.pdf", ".zip"); });
    ASSERT_EQ(beside.size(), 1u) << Log();
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
        << Log();
    if (geteuid() != 0) {
        ClearLog();
        Select({Path("Album")});
        std::filesystem::permissions(Path("Album/inner"), std::filesystem::perms::none);
        ArchiveSelectionToFolder(*m_ctx, 1);
        std::filesystem::permissions(Path("Album/inner"), std::filesystem::perms::owner_all);
        EXPECT_TRUE(LogLines().contains(
            "Ferrolet: \"Album/inner\" could not be archived. Error code = 13"));
    }
    EXPECT_TRUE(StateNames().empty());
    EXPECT_TRUE(Names(Path("Dest2")).empty());
}

} // namespace
} // namespace ferrolet::test
