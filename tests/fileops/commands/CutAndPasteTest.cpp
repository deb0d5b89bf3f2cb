// Cut Items and Paste Items on real files: items wait in a UUID-named
// holding folder of the state directory, arrive in the one folder selected at
// Paste, go back to their folder when they cannot, and are never stranded.
#include "fileops/commands/CutAndPaste.h"
#include "CommandFixture.h"
#include "fileops/commands/CutStateFile.h"
#include "settings/SettingsKeys.h"
#include "util/AppPaths.h"

#include <QRegularExpression>

#include <filesystem>

using namespace ferrolet;

namespace {

class CutAndPasteTest : public test::CommandTest {
protected:
    std::string HoldingPath() const { return m_cut.holdingFolder.Path(); }
};

TEST_F(CutAndPasteTest, CutTwoFilesThenPasteIntoAnotherFolder) {
    const std::string dest = MakeDir("dest");
    Select({WriteFile("src/a.txt", "A"), WriteFile("src/b.txt", "B"), WriteFile("src/stay.txt")});
    m_selection.items.pop_back();
    m_selection.count = 2;

    CutItems(Context());

    ASSERT_TRUE(m_cut.pending);
    const std::string uuid = m_cut.holdingFolder.Name();
    EXPECT_TRUE(IsHoldingFolderName(uuid)) << uuid;
    EXPECT_EQ(HoldingPath(), StateDirectory() + "/" + uuid);
    EXPECT_EQ(Names(HoldingPath()), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(Names(Path("src")), std::vector<std::string>{"stay.txt"});
    EXPECT_EQ(m_cut.originFolder.Path(), Path("src"));
    EXPECT_TRUE(Exists(CutStateFilePath()));
    const QString holdingName = QString::fromStdString(uuid);
    EXPECT_EQ(LogLines(), QStringList({"Moved \"a.txt\" to \"" + holdingName + "\"",
                                       "Moved \"b.txt\" to \"" + holdingName + "\""}));

    ClearLog();
    Select({dest});
    PasteItems(Context());

    EXPECT_EQ(ReadFile(dest + "/a.txt"), "A");
    EXPECT_EQ(ReadFile(dest + "/b.txt"), "B");
    EXPECT_TRUE(Names(HoldingPath()).empty());
    EXPECT_FALSE(m_cut.pending);
    EXPECT_FALSE(Exists(CutStateFilePath()));
    // Paste takes the holding folder in the order the file system lists it.
    QStringList pasted = LogLines();
    pasted.sort();
    EXPECT_EQ(pasted, QStringList({"Moved \"a.txt\" to \"dest\"", "Moved \"b.txt\" to \"dest\""}));
    EXPECT_EQ(m_platform.beeps, 0);
    EXPECT_TRUE(m_platform.sounds.isEmpty());
    EXPECT_TRUE(m_platform.revealed.empty());
}

TEST_F(CutAndPasteTest, CutIsRefusedWhileACutIsPending) {
    Select({WriteFile("src/a.txt", "A")});
    CutItems(Context());
    const FileRef firstHolding = m_cut.holdingFolder;

    Select({WriteFile("src/b.txt", "B")});
    CutItems(Context());

    EXPECT_EQ(m_platform.beeps, 1);
    EXPECT_EQ(Names(Path("src")), std::vector<std::string>{"b.txt"});
    EXPECT_TRUE(m_cut.holdingFolder == firstHolding);
    EXPECT_EQ(Names(StateDirectory()).size(), 2u); // one holding folder and the state file
}

TEST_F(CutAndPasteTest, PasteOnlyIntoOnePlainFolderAndKeepsTheCutOtherwise) {
    const std::string dest = MakeDir("dest");
    const std::string other = MakeDir("other");
    WriteFile("app.AppDir/AppRun", "#!/bin/sh\n");
    ASSERT_EQ(chmod(Path("app.AppDir/AppRun").c_str(), 0755), 0);
    Select({WriteFile("src/a.txt", "A")});
    CutItems(Context());

    for (const auto& selection : std::vector<std::vector<std::string>>{
             {dest, other}, {WriteFile("file.txt")}, {Path("app.AppDir")}, {Path("gone")}}) {
        Select(selection);
        PasteItems(Context());
        EXPECT_TRUE(m_cut.pending);
        EXPECT_EQ(Names(HoldingPath()), std::vector<std::string>{"a.txt"});
    }
    m_selection = SelectionSnapshot{};
    PasteItems(Context());
    EXPECT_TRUE(m_cut.pending);
    EXPECT_TRUE(Names(dest).empty());

    Select({dest});
    PasteItems(Context());
    EXPECT_EQ(ReadFile(dest + "/a.txt"), "A");
    EXPECT_FALSE(m_cut.pending);

    // With nothing pending, Paste is refused.
    PasteItems(Context());
    EXPECT_EQ(m_platform.beeps, 1);
}

TEST_F(CutAndPasteTest, PasteBesideASameNamedFileTakesAUniqueName) {
    const std::string dest = MakeDir("dest");
    WriteFile("dest/a.txt", "already here");
    Select({WriteFile("src/a.txt", "pasted")});
    CutItems(Context());
    Select({dest});
    ClearLog();

    PasteItems(Context());

    const std::vector<std::string> names = Names(dest);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(ReadFile(dest + "/a.txt"), "already here");
    const QRegularExpression unique(
        QStringLiteral("^a - [0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.txt$"));
    const std::string arrived = names[0] == "a.txt" ? names[1] : names[0];
    EXPECT_TRUE(unique.match(QString::fromStdString(arrived)).hasMatch()) << arrived;
    EXPECT_EQ(ReadFile(dest + "/" + arrived), "pasted");
    EXPECT_TRUE(Names(Path("src")).empty()); // not put back
    EXPECT_TRUE(LinesStartingWith("The file").isEmpty());
    EXPECT_FALSE(m_cut.pending);
}

TEST_F(CutAndPasteTest, PasteIntoTheOriginFolderRestoresTheNames) {
    WriteFile("src/sub/b.txt", "B");
    Select({WriteFile("src/a.txt", "A"), Path("src/sub")});
    CutItems(Context());
    EXPECT_TRUE(Names(Path("src")).empty());

    Select({Path("src")});
    PasteItems(Context());

    EXPECT_EQ(Names(Path("src")), (std::vector<std::string>{"a.txt", "sub"}));
    EXPECT_EQ(ReadFile(Path("src/sub/b.txt")), "B");
    EXPECT_FALSE(m_cut.pending);
}

TEST_F(CutAndPasteTest, HiddenItemsAreNeitherCutNorPasted) {
    const std::string dest = MakeDir("dest");
    Select({WriteFile("src/a.txt", "A"), WriteFile("src/.profile", "P")});
    CutItems(Context());
    // A dot name is not cut: Paste would never move it out again.
    EXPECT_EQ(Names(Path("src")), std::vector<std::string>{".profile"});
    EXPECT_EQ(m_platform.beeps, 1);
    // What a file manager leaves in a folder it shows, and a file it hides
    // through ".hidden", stay in the holding folder.
    WriteFile(HoldingPath().substr(m_root.size() + 1) + "/.directory", "[Dolphin]");
    WriteFile(HoldingPath().substr(m_root.size() + 1) + "/thumbs.db", "T");
    WriteFile(HoldingPath().substr(m_root.size() + 1) + "/.hidden", "thumbs.db\n");

    Select({dest});
    PasteItems(Context());

    EXPECT_EQ(Names(dest), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(Names(HoldingPath()),
              (std::vector<std::string>{".directory", ".hidden", "thumbs.db"}));
    EXPECT_FALSE(m_cut.pending);
}

TEST_F(CutAndPasteTest, PendingCutSurvivesARestart) {
    const std::string dest = MakeDir("dest");
    Select({WriteFile("src/a.txt", "A"), WriteFile("src/b.txt", "B")});
    CutItems(Context());
    const std::string holding = HoldingPath();

    // A new process: a fresh state, read from disk.
    CutState restarted;
    ASSERT_EQ(LoadCutState(restarted), 0);
    EXPECT_TRUE(restarted.pending);
    EXPECT_EQ(restarted.holdingFolder.Path(), holding);
    EXPECT_TRUE(restarted.holdingFolder.SameItem(m_cut.holdingFolder));
    EXPECT_TRUE(restarted.originFolder.SameItem(m_cut.originFolder));

    // The origin was renamed meanwhile: a put-back still finds it.
    ASSERT_EQ(rename(Path("src").c_str(), Path("source").c_str()), 0);
    ASSERT_EQ(LoadCutState(restarted), 0);
    EXPECT_EQ(restarted.originFolder.Path(), Path("source"));

    m_cut = restarted;
    Select({dest});
    PasteItems(Context());
    EXPECT_EQ(Names(dest), (std::vector<std::string>{"a.txt", "b.txt"}));

    CutState afterPaste;
    afterPaste.pending = true;
    ASSERT_EQ(LoadCutState(afterPaste), 0);
    EXPECT_FALSE(afterPaste.pending);
}

TEST_F(CutAndPasteTest, UnreadableOrForgedStateFileIsIgnoredAndItsItemsKept) {
    Select({WriteFile("src/a.txt", "A")});
    CutItems(Context());
    const std::string holding = HoldingPath();
    const std::string statePath = CutStateFilePath();
    const std::string good = ReadFile(statePath);

    const std::vector<std::string> bad = {
        "",
        "garbage\n",
        good.substr(0, good.size() / 2),
        "ferrolet-pending-cut 1\nholding ../../../src\n",
        "ferrolet-pending-cut 1\nholding " + std::string(36, 'A') + "\n",
        "ferrolet-pending-cut 2\n" + good.substr(good.find('\n') + 1),
        good + "extra line\n",
        "ferrolet-pending-cut 1\nholding " + m_cut.holdingFolder.Name() + "\norigin zz\n",
        std::string(100 * 1024, 'x'),
    };
    for (const std::string& text : bad) {
        WriteFile(statePath.substr(m_root.size() + 1), text);
        CutState loaded;
        EXPECT_NE(LoadCutState(loaded), 0) << text.substr(0, 80);
        EXPECT_FALSE(loaded.pending);
        EXPECT_EQ(ReadFile(holding + "/a.txt"), "A");
        EXPECT_EQ(ReadFile(statePath), text); // kept as it was
    }

    // A state file that is a link is not followed.
    ASSERT_EQ(unlink(statePath.c_str()), 0);
    WriteFile("elsewhere", good);
    ASSERT_EQ(symlink(Path("elsewhere").c_str(), statePath.c_str()), 0);
    CutState loaded;
    EXPECT_NE(LoadCutState(loaded), 0);
    EXPECT_FALSE(loaded.pending);

    // The next cut replaces it with a sound one.
    ASSERT_EQ(unlink(statePath.c_str()), 0);
    ASSERT_EQ(symlink(Path("elsewhere").c_str(), statePath.c_str()), 0);
    CutState fresh;
    m_cut = fresh;
    Select({WriteFile("src/b.txt", "B")});
    CutItems(Context());
    ASSERT_TRUE(m_cut.pending);
    EXPECT_EQ(ReadFile(Path("elsewhere")), good);
    ASSERT_EQ(LoadCutState(loaded), 0);
    EXPECT_TRUE(loaded.holdingFolder.SameItem(m_cut.holdingFolder));
}

TEST_F(CutAndPasteTest, HoldingFolderDeletedByHandEndsTheCut) {
    Select({WriteFile("src/a.txt", "A")});
    CutItems(Context());
    std::filesystem::remove_all(HoldingPath());

    CutState loaded;
    loaded.pending = true;
    EXPECT_EQ(LoadCutState(loaded), 0);
    EXPECT_FALSE(loaded.pending);

    Select({MakeDir("dest")});
    PasteItems(Context());
    EXPECT_FALSE(m_cut.pending);
    EXPECT_EQ(m_platform.beeps, 0);

    // A new cut is possible again.
    Select({WriteFile("src/b.txt", "B")});
    CutItems(Context());
    EXPECT_TRUE(m_cut.pending);
    EXPECT_EQ(Names(HoldingPath()), std::vector<std::string>{"b.txt"});
}

TEST_F(CutAndPasteTest, CutThatHoldsNothingLeavesNoCut) {
    CutItems(Context()); // no selection
    Select({Path("src/gone.txt")});
    CutItems(Context()); // first slot invalid
    Select({WriteFile("src/.hidden-only")});
    CutItems(Context()); // only an item that is not cut
    EXPECT_FALSE(m_cut.pending);
    EXPECT_FALSE(Exists(CutStateFilePath()));
    EXPECT_EQ(Names(StateDirectory()), std::vector<std::string>{}); // no holding folder left
}

} // namespace
