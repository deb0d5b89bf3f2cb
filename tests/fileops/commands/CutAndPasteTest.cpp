// Cut Items and Paste Items on real files: items wait in a UUID-named
// holding folder of the state directory, arrive in the one folder selected at
// Paste, go back to their folder when they cannot, and are never stranded,
// lost or doubled, also across file systems and into one that fills up.
#include "fileops/commands/CutAndPaste.h"
#include "CommandFixture.h"
#include "fileops/commands/CutStateFile.h"
#include "fileops/commands/HeldProvenance.h"
#include "fileops/engine/FileEngine.h"
#include "util/AppPaths.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace ferrolet;

namespace {

class CutAndPasteTest : public test::CommandTest {
protected:
    std::string HoldingPath() const { return m_cut.holdingFolder.Path(); }
    // What a holding folder holds beside its own provenance file.
    std::vector<std::string> HeldNames(const std::string& holding = {}) {
        std::vector<std::string> names = Names(holding.empty() ? HoldingPath() : holding);
        std::erase(names, std::string(kHeldProvenanceName));
        return names;
    }
    void Cut(const std::vector<std::string>& paths) {
        Select(paths);
        CutItems(*m_ctx);
    }
    void Paste(const std::string& folder) {
        Select({folder});
        PasteItems(*m_ctx);
    }
    // A fresh state as a new process reads it from disk.
    CutState Reloaded() {
        CutState loaded;
        loaded.pending = true;
        EXPECT_EQ(LoadCutState(loaded), 0);
        return loaded;
    }
};

TEST_F(CutAndPasteTest, CutHoldsTheItemsAndPasteMovesThemIntoOnePlainFolderOnly) {
    const std::string dest = MakeDir("dest");
    WriteFile("src/stay.txt");
    WriteFile("app.AppDir/AppRun", "#!/bin/sh\n");
    ASSERT_EQ(chmod(Path("app.AppDir/AppRun").c_str(), 0755), 0);
    Cut({WriteFile("src/a.txt", "A"), WriteFile("src/b.txt", "B")});

    ASSERT_TRUE(m_cut.pending);
    const std::string uuid = m_cut.holdingFolder.Name();
    EXPECT_TRUE(IsHoldingFolderName(uuid)) << uuid;
    EXPECT_EQ(HoldingPath(), StateDirectory() + "/" + uuid);
    EXPECT_EQ(HeldNames(), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(Names(Path("src")), std::vector<std::string>{"stay.txt"});
    EXPECT_EQ(m_cut.originFolder.Path(), Path("src"));
    EXPECT_EQ(LogLines(),
              QStringList({"Moved \"a.txt\" to \"" + QString::fromStdString(uuid) + "\"",
                           "Moved \"b.txt\" to \"" + QString::fromStdString(uuid) + "\""}));

    // A second Cut while one is pending is refused; its item stays.
    const FileRef firstHolding = m_cut.holdingFolder;
    Cut({Path("src/stay.txt")});
    EXPECT_EQ(m_platform.beeps, 1);
    EXPECT_EQ(Names(Path("src")), std::vector<std::string>{"stay.txt"});
    EXPECT_TRUE(m_cut.holdingFolder == firstHolding);

    // Anything but one plain folder pastes nothing and keeps the cut.
    const std::vector<std::vector<std::string>> refused = {
        {}, {dest, MakeDir("other")}, {WriteFile("file.txt")}, {Path("app.AppDir")}, {Path("gone")},
    };
    for (const auto& selection : refused) {
        Select(selection);
        PasteItems(*m_ctx);
        EXPECT_TRUE(m_cut.pending);
        EXPECT_EQ(HeldNames(), (std::vector<std::string>{"a.txt", "b.txt"}));
    }
    EXPECT_TRUE(Names(dest).empty());

    // Beside a same-named file the pasted item takes a unique name.
    WriteFile("dest/a.txt", "already here");
    ClearLog();
    Paste(dest);
    const std::vector<std::string> names = Names(dest);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(ReadFile(dest + "/a.txt"), "already here");
    EXPECT_TRUE(test::IsUniqueForm(names[0], "a", ".txt")) << names[0];
    EXPECT_EQ(ReadFile(dest + "/" + names[0]), "A");
    EXPECT_EQ(ReadFile(dest + "/b.txt"), "B");
    EXPECT_EQ(Names(Path("src")), std::vector<std::string>{"stay.txt"}); // not put back
    EXPECT_FALSE(Exists(HoldingPath()));                                 // emptied, so removed
    EXPECT_FALSE(m_cut.pending);
    EXPECT_FALSE(Exists(CutStateFilePath()));
    EXPECT_EQ(LogLines().filter("Moved").size(), 2);
    EXPECT_TRUE(m_platform.sounds.isEmpty() && m_platform.revealed.empty());
    // With nothing pending, Paste is refused.
    Paste(dest);
    EXPECT_EQ(m_platform.beeps, 2);

    // Pasted into the folder they came from, the items have their names.
    WriteFile("src/sub/b.txt", "B");
    Cut({WriteFile("src/c.txt", "C"), Path("src/sub")});
    EXPECT_EQ(Names(Path("src")), std::vector<std::string>{"stay.txt"});
    Paste(Path("src"));
    EXPECT_EQ(Names(Path("src")), (std::vector<std::string>{"c.txt", "stay.txt", "sub"}));
    EXPECT_EQ(ReadFile(Path("src/sub/b.txt")), "B");
}

TEST_F(CutAndPasteTest, HiddenItemsAndCutsThatHoldNothingLeaveNoCut) {
    const std::string dest = MakeDir("dest");
    Cut({WriteFile("src/a.txt", "A"), WriteFile("src/.profile", "P")});
    // A dot name is not cut: Paste would never move it out again.
    EXPECT_EQ(Names(Path("src")), std::vector<std::string>{".profile"});
    EXPECT_EQ(m_platform.beeps, 1);
    // What a file manager leaves in a folder it shows, and a file it hides
    // through ".hidden", stay in the holding folder.
    const std::string held = HoldingPath().substr(m_root.size() + 1);
    WriteFile(held + "/.directory", "[Dolphin]");
    WriteFile(held + "/thumbs.db", "T");
    WriteFile(held + "/.hidden", "thumbs.db\n");
    Paste(dest);
    EXPECT_EQ(Names(dest), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(HeldNames(), (std::vector<std::string>{".directory", ".hidden", "thumbs.db"}));
    EXPECT_FALSE(m_cut.pending);

    // A Cut that holds nothing leaves no cut and no holding folder.
    std::filesystem::remove_all(HoldingPath());
    Cut({});
    Cut({Path("src/gone.txt")});
    Cut({Path("src/.profile")});
    EXPECT_FALSE(m_cut.pending);
    EXPECT_FALSE(Exists(CutStateFilePath()));
    EXPECT_EQ(StateNames(), std::vector<std::string>{"pending-cut.lock"});

    // A state folder that is a symbolic link is not used: Cut says so (a
    // line, a beep, the report) and its items never leave their folder.
    const std::string state = StateDirectoryPath();
    std::filesystem::remove_all(state);
    ASSERT_EQ(symlink(MakeDir("elsewhere").c_str(), state.c_str()), 0);
    m_platform = test::FakePlatform();
    Cut({WriteFile("src/b.txt", "B")});
    EXPECT_FALSE(m_cut.pending);
    EXPECT_EQ(ReadFile(Path("src/b.txt")), "B");
    EXPECT_TRUE(Names(Path("elsewhere")).empty());
    EXPECT_EQ(m_platform.beeps, 1);
    EXPECT_TRUE(LogLines().contains(
        "Ferrolet: An error occurred cutting a folder or file. Error code = 40"));
}

TEST_F(CutAndPasteTest, DamagedStateFileIsSetAsideAndTheHeldItemsFoundAgain) {
    Cut({WriteFile("src/a.txt", "A")});
    const std::string holding = HoldingPath();
    const std::string statePath = CutStateFilePath();
    const std::string good = ReadFile(statePath);
    const std::string relative = statePath.substr(m_root.size() + 1);

    // Read as they are: CRLF line ends, blank and further lines.
    const std::string crlf = QString::fromStdString(good).replace("\n", "\r\n").toStdString();
    for (const std::string& text : {crlf, good + "\n", good + "extra line\n"}) {
        WriteFile(relative, text);
        EXPECT_TRUE(Reloaded().holdingFolder.SameItem(m_cut.holdingFolder)) << text;
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
        const CutState loaded = Reloaded();
        EXPECT_TRUE(loaded.pending) << i;
        EXPECT_EQ(loaded.holdingFolder.Path(), holding) << i;
        EXPECT_TRUE(loaded.originFolder.SameItem(m_cut.originFolder)) << i;
        EXPECT_TRUE(Exists(statePath + ".corrupt")) << i;
        // The index rebuilt, a plain file (never read while it is a FIFO).
        ASSERT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(statePath)))
            << i;
        EXPECT_EQ(ReadFile(statePath), good) << i;
    }
    EXPECT_EQ(ReadFile(Path("elsewhere")), good);

    // With no state file at all the held items are still pasted.
    ASSERT_EQ(unlink(statePath.c_str()), 0);
    m_cut = Reloaded();
    Paste(MakeDir("dest"));
    EXPECT_EQ(ReadFile(Path("dest/a.txt")), "A");
    EXPECT_FALSE(Exists(holding));

    // A holding folder deleted by hand ends the cut.
    Cut({WriteFile("src/b.txt", "B")});
    std::filesystem::remove_all(HoldingPath());
    EXPECT_FALSE(Reloaded().pending);
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
        std::atomic<int> ready{0};
        auto cut = [&](int which, const std::string& path) {
            SelectionSnapshot picked{.hasArray = true, .items = {Ref(path)}, .count = 1};
            CommandContext ctx{*m_settings, m_platform, picked, m_extensions, states[which], {}};
            ++ready;
            while (ready < 2) {
            }
            CutItems(ctx);
        };
        { std::jthread a(cut, 0, first), b(cut, 1, second); } // both joined here
        // The refused one learnt of the other's cut, as its menu would.
        ASSERT_TRUE(states[0].pending && states[1].pending) << round;
        ASSERT_TRUE(states[0].holdingFolder.SameItem(states[1].holdingFolder)) << round;
        ASSERT_NE(Exists(first), Exists(second)) << round;
        m_cut = Reloaded();
        EXPECT_TRUE(m_cut.holdingFolder.SameItem(states[0].holdingFolder)) << round;
        Paste(MakeDir("dest"));
        ASSERT_FALSE(m_cut.pending);
    }
    EXPECT_EQ(Names(Path("dest")).size(), 20u);
    EXPECT_EQ(Names(Path("one")).size() + Names(Path("two")).size(), 20u);
}

// Paste onto another file system: a 1 MiB tmpfs (a private mount namespace
// of a child process; root only) that holds two of three 400 KiB items: the third goes back to
// its folder, or, when that is gone, stays held for a later Paste. Every item
// ends up exactly once, whole, and no partial copy is left anywhere.
TEST_F(CutAndPasteTest, TargetThatFillsUpSendsTheRestBackOrKeepsItHeld) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "mounting a small file system needs root";
    }
    constexpr size_t kItemBytes = 400 * 1024;
    // Each item is filled with the first letter of its name.
    const auto whole = [&](const std::string& path) {
        const std::string name = std::filesystem::path(path).filename();
        return ReadFile(path) == std::string(kItemBytes, name[0]);
    };
    for (const bool originGone : {false, true}) {
        SCOPED_TRACE(originGone ? "the origin is gone" : "the origin is there");
        std::filesystem::remove_all(Path("src"));
        m_cut = Reloaded(); // what the child's paste left on disk
        const std::string mountPoint = MakeDir(originGone ? "small2" : "small");
        Cut({WriteFile("src/a.bin", std::string(kItemBytes, 'a')),
             WriteFile("src/b.bin", std::string(kItemBytes, 'b')),
             WriteFile("src/c.bin", std::string(kItemBytes, 'c'))});
        const std::string holding = HoldingPath();
        if (originGone) {
            ASSERT_EQ(rmdir(Path("src").c_str()), 0);
        }
        const std::string report = Path("report.txt");
        const pid_t pid = fork();
        if (pid == 0) {
            if (unshare(CLONE_NEWNS) != 0 ||
                mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
                mount("tmpfs", mountPoint.c_str(), "tmpfs", 0, "size=1m") != 0) {
                _exit(77);
            }
            ClearLog();
            Paste(MakeDir(mountPoint.substr(m_root.size() + 1) + "/target"));
            std::ofstream out(report);
            for (const std::string& name : Names(mountPoint + "/target")) {
                out << name << (whole(mountPoint + "/target/" + name) ? " whole\n" : " damaged\n");
            }
            out << LogLines().join('\n').toStdString() << '\n';
            out.close();
            _exit(out ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
            GTEST_SKIP() << "no private mount namespace here";
        }
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        const std::string lines = ReadFile(report);
        EXPECT_EQ(lines.find(kPartialCopyPrefix), std::string::npos) << lines;
        EXPECT_EQ(QString::fromStdString(lines).count(" whole\n"), 2) << lines;
        EXPECT_EQ(lines.find(" damaged"), std::string::npos) << lines;
        // The one that did not fit: back in its folder, or still held.
        const std::vector<std::string> left = originGone ? HeldNames(holding) : Names(Path("src"));
        ASSERT_EQ(left.size(), 1u);
        EXPECT_EQ(lines.find(left[0] + " whole"), std::string::npos) << "never doubled";
        if (!originGone) {
            EXPECT_TRUE(whole(Path("src/" + left[0])));
            EXPECT_THAT(lines, testing::HasSubstr("The file \"" + left[0] +
                                                  "\" could not be moved and "
                                                  "will be put back in its original folder."));
            EXPECT_FALSE(Exists(holding)); // emptied, so removed
            EXPECT_FALSE(Exists(CutStateFilePath()));
            continue;
        }
        // Still pending on disk: a later start can paste what is left.
        m_cut = Reloaded();
        ASSERT_TRUE(m_cut.pending);
        Paste(MakeDir("roomy"));
        ASSERT_EQ(Names(Path("roomy")), left);
        EXPECT_TRUE(whole(Path("roomy/" + left[0])));
        EXPECT_FALSE(m_cut.pending);
        EXPECT_FALSE(Exists(holding));
    }
}

} // namespace
