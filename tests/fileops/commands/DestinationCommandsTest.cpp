// The contract every per-destination command keeps (Move, Copy, Archive,
// Alias and Hard Link To), tested once over all five: the selection guard,
// the dialog and its cancel, vanished items and destinations, beep and log
// on failure, the sound after the last item, one reveal, one notification.
#include "CommandFixture.h"
#include "HostileNames.h"
#include "fileops/commands/AliasCommand.h"
#include "fileops/commands/ArchiveCommand.h"
#include "fileops/commands/CopySelection.h"
#include "fileops/commands/HardLinkCommand.h"
#include "fileops/commands/MoveSelection.h"

#include <filesystem>
#include <functional>
#include <unistd.h>

namespace ferrolet::test {
namespace {

struct Command {
    const char* name;
    std::function<void(CommandContext&, int)> run;
    const char* dialogForOne; // for "Report.pdf"
    const char* dialogForTen;
    const char* failureLine; // the command's own line, as a pattern
    const char* done;        // the notification's verb
    // Whether what stands at arrived is the command's result for source.
    std::function<bool(const std::string& source, const std::string& arrived)> made;
    bool keepsSource;
    bool oneArchive;   // several items make one "Archive.zip"
    bool refusesClash; // a same-named item stops it, with the switch off
};

const Command kCommands[] = {
    {"MoveTo", MoveSelectionToFolder, "Move \u201CReport.pdf\u201D To", "Move 10 Items To",
     "Ferrolet: An error occurred moving a folder or file\\.", "moved",
     [](const std::string&, const std::string& arrived) { return TempHome::Exists(arrived); },
     false, false, false},
    {"CopyTo", CopySelectionToFolder, "Copy \u201CReport.pdf\u201D To", "Copy 10 Items To",
     "Ferrolet: An error occurred copying a file system object\\. Error code = \\d+", "copied",
     [](const std::string& s, const std::string& a) {
         return TempHome::Inode(a) != 0 && TempHome::Inode(s) != TempHome::Inode(a) &&
                TempHome::ReadFile(s) == TempHome::ReadFile(a);
     },
     true, false, true},
    {"ArchiveTo", ArchiveSelectionToFolder, "Archive \u201CReport.pdf\u201D To",
     "Archive 10 Items To", "Ferrolet: An error occurred archiving a folder or file\\.", "archived",
     [](const std::string&, const std::string& a) { return TempHome::Exists(a + ".zip"); }, true,
     true, false},
    {"AliasTo", AliasSelectionToFolder, "Make an Alias of \u201CReport.pdf\u201D In",
     "Make Aliases of 10 Items In", "Ferrolet: An error occurred aliasing a folder or file\\.",
     "aliased",
     [](const std::string& s, const std::string& a) {
         std::error_code ec;
         return std::filesystem::read_symlink(a, ec) == s;
     },
     true, false, false},
    {"HardLinkTo", HardLinkSelectionToFolder, "Make a Hard Link to \u201CReport.pdf\u201D In",
     "Make Hard Links to 10 Items In",
     "Ferrolet: An error occurred hard linking a folder or file\\.", "linked",
     [](const std::string& s, const std::string& a) {
         return TempHome::Inode(a) != 0 && TempHome::Inode(a) == TempHome::Inode(s);
     },
     true, false, true},
};

class DestinationCommands : public CommandTest, public ::testing::WithParamInterface<Command> {
protected:
    const Command& C() const { return GetParam(); }
    void Run(int index) { C().run(*m_ctx, index); }
    // Where the item of source arrives in folder (an archive of one item is
    // "<name>.zip", which made() looks for).
    static std::string Arrived(const std::string& folder, const std::string& source) {
        return folder + "/" + std::filesystem::path(source).filename().string();
    }
    // Whether the command's result for source stands in folder.
    bool Made(const std::string& source, const std::string& folder) const {
        return C().made(source, Arrived(folder, source));
    }
    int FailureLines() const {
        return CountLog(QString::fromUtf8(C().failureLine) +
                        QStringLiteral("( Error code = \\d+)?"));
    }
};

TEST_P(DestinationCommands, WhatVanishedOrIsNoFolderFailsAndIsLeftAlone) {
    const std::string dest = MakeDir("Dest");
    const std::string good = WriteFile("src/good.txt", "good");
    const std::string file = WriteFile("not-a-folder", "f");
    SetDestinations({dest, MakeDir("Gone"), file});
    ASSERT_EQ(rmdir(Path("Gone").c_str()), 0); // listed, then deleted
    // Another item now has the name: it is not the one selected.
    const std::string other = WriteFile("src/other.txt", "impostor");
    Select({good, other});
    ASSERT_EQ(rename(WriteFile("src/new.txt", "impostor").c_str(), other.c_str()), 0);

    Run(1);

    EXPECT_EQ(ReadFile(other), "impostor");
    EXPECT_THAT(Notice(),
                testing::HasSubstr((C().oneArchive ? " " : " not ") + std::string(C().done)));
    for (const std::string& name : Names(dest)) {
        EXPECT_FALSE(name.starts_with("other")) << name;
    }
    if (!C().oneArchive) {
        EXPECT_TRUE(Made(good, dest)) << "the other item is still done";
        EXPECT_TRUE(m_platform.sounds.isEmpty()) << "the last item failed";
    }
    // The failure first, a good item last: the sound plays, once.
    m_platform = FakePlatform();
    const std::string late = WriteFile("src/late.txt", "late");
    const std::string vanished = WriteFile("src/vanished.txt", "v");
    Select({vanished, late});
    ASSERT_EQ(unlink(vanished.c_str()), 0);
    Run(1);
    EXPECT_EQ(m_platform.sounds, QStringList{"complete"});

    // A destination deleted since it was listed, or a file: nothing moves.
    m_platform = FakePlatform();
    ClearLog();
    const std::string item = WriteFile("src/a.txt", "a");
    Select({item});
    Run(2);
    EXPECT_THAT(Notice(), testing::HasSubstr("Destination not found: Gone"));
    Run(3);
    EXPECT_EQ(m_platform.beeps, 2);
    EXPECT_GE(FailureLines(), 2) << Log();
    EXPECT_EQ(ReadFile(item), "a");
    EXPECT_EQ(ReadFile(file), "f");
    EXPECT_TRUE(m_platform.sounds.isEmpty());
    EXPECT_TRUE(m_platform.revealed.empty());
    EXPECT_EQ(Names(Path("")), (std::vector<std::string>{"Dest", "home", "not-a-folder", "src"}));
}

TEST_P(DestinationCommands, EveryItemArrivesWhereTheDialogLeadsRevealedTogether) {
    // Without a selection: not even a dialog, and the notice says why.
    Run(0);
    EXPECT_THAT(Notice(), testing::HasSubstr("\nNothing is selected."));
    m_platform = FakePlatform();
    SetOption(keys::SelectMovedItem, true);
    const std::string report = WriteFile("src/Report.pdf", "report");
    Select({report});
    Run(0); // cancelled: no answer queued
    ASSERT_EQ(m_platform.dialogs.size(), 1u);
    EXPECT_EQ(m_platform.dialogs[0].title.toStdString(), C().dialogForOne);
    EXPECT_FALSE(m_platform.dialogs[0].multipleSelection);
    EXPECT_TRUE(m_platform.dialogs[0].startFolder.empty()) << "nothing chosen yet: home";
    EXPECT_TRUE(Exists(report));
    EXPECT_EQ(m_platform.beeps + m_platform.sounds.size() + m_platform.notifications.size(), 0);
    EXPECT_TRUE(LogLines().isEmpty());

    // Names that break careless code, in one run, into a folder chosen
    // through a link: they arrive in the folder it names, with one reveal
    // request for them all and one sound after the last.
    const std::string chosen = MakeDir("dest/chosen");
    ASSERT_EQ(symlink(chosen.c_str(), Path("link-to-chosen").c_str()), 0);
    std::vector<std::string> items, arrived;
    for (const HostileName& hostile : HostileNames()) {
        items.push_back(WriteFile("src/" + hostile.name, hostile.name));
        arrived.push_back(Arrived(chosen, items.back()));
    }
    Select(items);
    m_platform.dialogAnswers.push_back({Path("link-to-chosen")});
    Run(0);
    EXPECT_EQ(m_platform.dialogs.back().title.toStdString(), C().dialogForTen);
    if (C().oneArchive) {
        EXPECT_EQ(Names(chosen), std::vector<std::string>{"Archive.zip"});
        EXPECT_EQ(m_platform.revealed, std::vector<std::string>{chosen + "/Archive.zip"});
    } else {
        ASSERT_EQ(m_platform.revealRequests.size(), 1u) << "one file-manager request per run";
        EXPECT_EQ(m_platform.revealRequests[0], arrived);
    }
    for (const std::string& item : items) {
        SCOPED_TRACE(item);
        EXPECT_TRUE(C().oneArchive || Made(item, chosen));
        EXPECT_EQ(Exists(item), C().keepsSource);
    }
    EXPECT_EQ(m_platform.sounds, QStringList{"complete"});
    EXPECT_EQ(m_platform.beeps, 0) << Log();
    EXPECT_TRUE(m_platform.notifications.isEmpty());

    // The next dialog opens there, for any command; once it is gone, at home.
    HardLinkSelectionToFolder(*m_ctx, 0);
    EXPECT_EQ(m_platform.dialogs.back().startFolder, Path("link-to-chosen"));
    std::filesystem::remove_all(Path("dest"));
    ASSERT_EQ(unlink(Path("link-to-chosen").c_str()), 0);
    Run(0);
    EXPECT_TRUE(m_platform.dialogs.back().startFolder.empty());

    SetDestinations({MakeDir("Dest")});
    const std::string longest = WriteFile("src/" + LongestName(), "long");
    WriteFile("Dest/" + LongestName(), "taken");
    Select({longest});
    Run(1);
    EXPECT_EQ(m_platform.beeps, C().refusesClash ? 1 : 0) << "a name within 255 bytes: " << Log();
}

INSTANTIATE_TEST_SUITE_P(All, DestinationCommands, ::testing::ValuesIn(kCommands),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace ferrolet::test
