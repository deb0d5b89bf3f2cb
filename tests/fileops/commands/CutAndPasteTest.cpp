// Cut Items and Paste Items on real files: items wait in a UUID-named
// holding folder of the state directory, arrive in the one folder selected at
// Paste, go back to their folder when they cannot, and are never stranded.
#include "fileops/commands/CutAndPaste.h"
#include "CommandFixture.h"
#include "fileops/commands/CutStateFile.h"
#include "fileops/commands/HeldProvenance.h"
#include "settings/SettingsKeys.h"
#include "util/AppPaths.h"

#include <QRegularExpression>

#include <atomic>
#include <filesystem>
#include <functional>
#include <thread>

#include <sys/stat.h>

using namespace ferrolet;

namespace {

class CutAndPasteTest : public test::CommandTest {
protected:
    std::string HoldingPath() const { return m_cut.holdingFolder.Path(); }
    // What the holding folder holds beside its own provenance file.
    std::vector<std::string> HeldNames() {
        std::vector<std::string> names = Names(HoldingPath());
        std::erase(names, std::string(kHeldProvenanceName));
        return names;
    }
};

TEST_F(CutAndPasteTest, CutTwoFilesThenPasteIntoAnotherFolder) {
    const std::string dest = MakeDir("dest");
    Select({WriteFile("src/a.txt", "A"), WriteFile("src/b.txt", "B"), WriteFile("src/stay.txt")});
    m_selection.items.pop_back();
    m_selection.count = 2;

    CutItems(*m_ctx);

    ASSERT_TRUE(m_cut.pending);
    const std::string uuid = m_cut.holdingFolder.Name();
    EXPECT_TRUE(IsHoldingFolderName(uuid)) << uuid;
    EXPECT_EQ(HoldingPath(), StateDirectory() + "/" + uuid);
    EXPECT_EQ(HeldNames(), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(Names(Path("src")), std::vector<std::string>{"stay.txt"});
    EXPECT_EQ(m_cut.originFolder.Path(), Path("src"));
    EXPECT_TRUE(Exists(CutStateFilePath()));
    const QString holdingName = QString::fromStdString(uuid);
    EXPECT_EQ(LogLines(), QStringList({"Moved \"a.txt\" to \"" + holdingName + "\"",
                                       "Moved \"b.txt\" to \"" + holdingName + "\""}));

    ClearLog();
    Select({dest});
    PasteItems(*m_ctx);

    EXPECT_EQ(ReadFile(dest + "/a.txt"), "A");
    EXPECT_EQ(ReadFile(dest + "/b.txt"), "B");
    EXPECT_FALSE(Exists(HoldingPath())); // emptied, so removed
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
    CutItems(*m_ctx);
    const FileRef firstHolding = m_cut.holdingFolder;

    Select({WriteFile("src/b.txt", "B")});
    CutItems(*m_ctx);

    EXPECT_EQ(m_platform.beeps, 1);
    EXPECT_EQ(Names(Path("src")), std::vector<std::string>{"b.txt"});
    EXPECT_TRUE(m_cut.holdingFolder == firstHolding);
    // One holding folder, the state file and its lock (besides the journal).
    std::vector<std::string> held = Names(StateDirectory());
    std::erase_if(held, [](const std::string& n) { return n.starts_with("journal.sqlite"); });
    EXPECT_EQ(held.size(), 3u);
}

TEST_F(CutAndPasteTest, PasteOnlyIntoOnePlainFolderAndKeepsTheCutOtherwise) {
    const std::string dest = MakeDir("dest");
    const std::string other = MakeDir("other");
    WriteFile("app.AppDir/AppRun", "#!/bin/sh\n");
    ASSERT_EQ(chmod(Path("app.AppDir/AppRun").c_str(), 0755), 0);
    Select({WriteFile("src/a.txt", "A")});
    CutItems(*m_ctx);

    for (const auto& selection : std::vector<std::vector<std::string>>{
             {dest, other}, {WriteFile("file.txt")}, {Path("app.AppDir")}, {Path("gone")}}) {
        Select(selection);
        PasteItems(*m_ctx);
        EXPECT_TRUE(m_cut.pending);
        EXPECT_EQ(HeldNames(), std::vector<std::string>{"a.txt"});
    }
    m_selection = SelectionSnapshot{};
    PasteItems(*m_ctx);
    EXPECT_TRUE(m_cut.pending);
    EXPECT_TRUE(Names(dest).empty());

    Select({dest});
    PasteItems(*m_ctx);
    EXPECT_EQ(ReadFile(dest + "/a.txt"), "A");
    EXPECT_FALSE(m_cut.pending);

    // With nothing pending, Paste is refused.
    PasteItems(*m_ctx);
    EXPECT_EQ(m_platform.beeps, 1);
}

TEST_F(CutAndPasteTest, PasteBesideASameNamedFileTakesAUniqueName) {
    const std::string dest = MakeDir("dest");
    WriteFile("dest/a.txt", "already here");
    Select({WriteFile("src/a.txt", "pasted")});
    CutItems(*m_ctx);
    Select({dest});
    ClearLog();

    PasteItems(*m_ctx);

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
    CutItems(*m_ctx);
    EXPECT_TRUE(Names(Path("src")).empty());

    Select({Path("src")});
    PasteItems(*m_ctx);

    EXPECT_EQ(Names(Path("src")), (std::vector<std::string>{"a.txt", "sub"}));
    EXPECT_EQ(ReadFile(Path("src/sub/b.txt")), "B");
    EXPECT_FALSE(m_cut.pending);
}

TEST_F(CutAndPasteTest, HiddenItemsAreNeitherCutNorPasted) {
    const std::string dest = MakeDir("dest");
    Select({WriteFile("src/a.txt", "A"), WriteFile("src/.profile", "P")});
    CutItems(*m_ctx);
    // A dot name is not cut: Paste would never move it out again.
    EXPECT_EQ(Names(Path("src")), std::vector<std::string>{".profile"});
    EXPECT_EQ(m_platform.beeps, 1);
    // What a file manager leaves in a folder it shows, and a file it hides
    // through ".hidden", stay in the holding folder.
    WriteFile(HoldingPath().substr(m_root.size() + 1) + "/.directory", "[Dolphin]");
    WriteFile(HoldingPath().substr(m_root.size() + 1) + "/thumbs.db", "T");
    WriteFile(HoldingPath().substr(m_root.size() + 1) + "/.hidden", "thumbs.db\n");

    Select({dest});
    PasteItems(*m_ctx);

    EXPECT_EQ(Names(dest), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(HeldNames(), (std::vector<std::string>{".directory", ".hidden", "thumbs.db"}));
    EXPECT_FALSE(m_cut.pending);
}

TEST_F(CutAndPasteTest, PendingCutSurvivesARestart) {
    const std::string dest = MakeDir("dest");
    Select({WriteFile("src/a.txt", "A"), WriteFile("src/b.txt", "B")});
    CutItems(*m_ctx);
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
    PasteItems(*m_ctx);
    EXPECT_EQ(Names(dest), (std::vector<std::string>{"a.txt", "b.txt"}));

    CutState afterPaste;
    afterPaste.pending = true;
    ASSERT_EQ(LoadCutState(afterPaste), 0);
    EXPECT_FALSE(afterPaste.pending);
}

TEST_F(CutAndPasteTest, DamagedStateFileIsSetAsideAndTheHeldItemsFoundAgain) {
    Select({WriteFile("src/a.txt", "A")});
    CutItems(*m_ctx);
    const std::string holding = HoldingPath();
    const std::string statePath = CutStateFilePath();
    const std::string good = ReadFile(statePath);
    const std::string relative = statePath.substr(m_root.size() + 1);

    // Read as they are: CRLF line ends, blank and further lines.
    std::string crlf = good;
    for (size_t at = 0; (at = crlf.find('\n', at)) != std::string::npos; at += 2) {
        crlf.insert(at, "\r");
    }
    for (const std::string& text : {crlf, good + "\n", good + "extra line\n"}) {
        WriteFile(relative, text);
        CutState loaded;
        EXPECT_EQ(LoadCutState(loaded), 0);
        EXPECT_TRUE(loaded.holdingFolder.SameItem(m_cut.holdingFolder)) << text;
        EXPECT_TRUE(loaded.originFolder.SameItem(m_cut.originFolder));
        EXPECT_EQ(ReadFile(statePath), text); // a sound file is not rewritten
    }

    // Garbage, a link or a FIFO is renamed aside, never followed nor
    // opened blocking, and the holding folder is found by its provenance.
    WriteFile("elsewhere", good);
    const std::vector<std::function<void()>> damage = {
        [&] { WriteFile(relative, "garbage\n"); },
        [&] { WriteFile(relative, std::string(100 * 1024, 'x')); },
        [&] { WriteFile(relative, "ferrolet-pending-cut 1\nholding ../../../src\n"); },
        [&] { ASSERT_EQ(symlink(Path("elsewhere").c_str(), statePath.c_str()), 0); },
        [&] { ASSERT_EQ(mkfifo(statePath.c_str(), 0600), 0); },
    };
    for (size_t i = 0; i < damage.size(); ++i) {
        unlink(statePath.c_str());
        damage[i]();
        CutState loaded;
        EXPECT_EQ(LoadCutState(loaded), 0) << i;
        EXPECT_TRUE(loaded.pending) << i;
        EXPECT_EQ(loaded.holdingFolder.Path(), holding) << i;
        EXPECT_TRUE(loaded.originFolder.SameItem(m_cut.originFolder)) << i;
        EXPECT_TRUE(Exists(statePath + ".corrupt")) << i;
        EXPECT_EQ(ReadFile(holding + "/a.txt"), "A");
        // The index rebuilt, a plain file (never read while it is a FIFO).
        struct stat st {};
        ASSERT_EQ(lstat(statePath.c_str(), &st), 0);
        ASSERT_TRUE(S_ISREG(st.st_mode)) << i;
        EXPECT_EQ(ReadFile(statePath), good) << i;
    }
    EXPECT_EQ(ReadFile(Path("elsewhere")), good);

    // With no state file at all the held items are still pasted.
    ASSERT_EQ(unlink(statePath.c_str()), 0);
    CutState restarted;
    ASSERT_EQ(LoadCutState(restarted), 0);
    m_cut = restarted;
    Select({MakeDir("dest")});
    PasteItems(*m_ctx);
    EXPECT_EQ(ReadFile(Path("dest/a.txt")), "A");
    EXPECT_FALSE(Exists(holding));
}

// Two Cuts at once, each a thread with its own state as two processes have:
// both read "no cut pending" before the fix, and the later save forgot the
// other's holding folder. Now exactly one cut holds its items and the other
// is refused with its items where they were.
TEST_F(CutAndPasteTest, TwoCutsAtOnceNeverStrandEitherSet) {
    for (int round = 0; round < 20; ++round) {
        const std::string first = WriteFile("one/a" + std::to_string(round), "1");
        const std::string second = WriteFile("two/b" + std::to_string(round), "2");
        CutState states[2];
        SelectionSnapshot selections[2];
        std::atomic<int> ready{0};
        auto cut = [&](int which, const std::string& path) {
            FileRef ref;
            FileRef::FromPath(path, ref);
            selections[which].hasArray = true;
            selections[which].count = 1;
            selections[which].items = {ref};
            CommandContext ctx{*m_settings,  m_platform,    selections[which],
                               m_extensions, states[which], {},
                               nullptr};
            ++ready;
            while (ready < 2) {
            }
            CutItems(ctx);
        };
        std::thread a(cut, 0, first);
        std::thread b(cut, 1, second);
        a.join();
        b.join();
        // The refused one learnt of the other's cut, as its menu would.
        ASSERT_TRUE(states[0].pending && states[1].pending) << round;
        ASSERT_TRUE(states[0].holdingFolder.SameItem(states[1].holdingFolder)) << round;
        ASSERT_NE(Exists(first), Exists(second)) << round;
        CutState onDisk;
        ASSERT_EQ(LoadCutState(onDisk), 0);
        EXPECT_TRUE(onDisk.holdingFolder.SameItem(states[0].holdingFolder)) << round;
        m_cut = onDisk;
        Select({MakeDir("dest")});
        PasteItems(*m_ctx);
        ASSERT_FALSE(m_cut.pending);
    }
    EXPECT_EQ(Names(Path("dest")).size(), 20u);
    EXPECT_EQ(Names(Path("one")).size() + Names(Path("two")).size(), 20u);
}

TEST_F(CutAndPasteTest, HoldingFolderDeletedByHandEndsTheCut) {
    Select({WriteFile("src/a.txt", "A")});
    CutItems(*m_ctx);
    std::filesystem::remove_all(HoldingPath());

    CutState loaded;
    loaded.pending = true;
    EXPECT_EQ(LoadCutState(loaded), 0);
    EXPECT_FALSE(loaded.pending);

    Select({MakeDir("dest")});
    PasteItems(*m_ctx);
    EXPECT_FALSE(m_cut.pending);
    EXPECT_EQ(m_platform.beeps, 0);

    // A new cut is possible again.
    Select({WriteFile("src/b.txt", "B")});
    CutItems(*m_ctx);
    EXPECT_TRUE(m_cut.pending);
    EXPECT_EQ(HeldNames(), std::vector<std::string>{"b.txt"});
}

TEST_F(CutAndPasteTest, CutThatHoldsNothingLeavesNoCut) {
    CutItems(*m_ctx); // no selection
    Select({Path("src/gone.txt")});
    CutItems(*m_ctx); // first slot invalid
    Select({WriteFile("src/.hidden-only")});
    CutItems(*m_ctx); // only an item that is not cut
    EXPECT_FALSE(m_cut.pending);
    EXPECT_FALSE(Exists(CutStateFilePath()));
    EXPECT_EQ(Names(StateDirectory()),
              std::vector<std::string>{"pending-cut.lock"}); // no holding folder left
}

} // namespace

// A state folder that is a symbolic link is not used: Cut says so (a line, a
// beep, the report) and its items never leave their folder.
TEST_F(CutAndPasteTest, StateFolderThatIsALinkIsRefusedAndSaidSo) {
    const std::string state = StateDirectoryPath();
    std::filesystem::remove_all(state);
    std::filesystem::create_directories(state.substr(0, state.rfind('/')));
    const std::string elsewhere = MakeDir("elsewhere");
    ASSERT_EQ(symlink(elsewhere.c_str(), state.c_str()), 0);
    Select({WriteFile("src/a.txt", "A")});
    CutItems(*m_ctx);
    EXPECT_FALSE(m_cut.pending);
    EXPECT_EQ(ReadFile(Path("src/a.txt")), "A");
    EXPECT_TRUE(Names(elsewhere).empty());
    EXPECT_EQ(m_platform.beeps, 1);
    EXPECT_TRUE(LogLines().contains(
        "Ferrolet: An error occurred cutting a folder or file. Error code = 40"));
}
