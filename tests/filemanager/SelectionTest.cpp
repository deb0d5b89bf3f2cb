// The selection: the script's lines decoded into slots, what counts as no
// selection, runaway scripts cut short, and the shipped script reading the
// real X clipboard.
#include "filemanager/Selection.h"
#include "TestEnvironment.h"
#include "filemanager/SelectionLine.h"

#include <QProcess>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fstream>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace ferrolet::test {
namespace {

class SelectionTest : public TempHome {
protected:
    std::string Script(const std::string& body, mode_t mode = 0755) {
        const std::string path = Path("script-" + std::to_string(++m_scripts));
        std::ofstream(path, std::ios::binary) << "#!/bin/sh\n" << body << "\n";
        chmod(path.c_str(), mode);
        return path;
    }
    // Prints text exactly (kept in a file: no quoting involved), then exits.
    std::string ScriptPrinting(const std::string& text, int exitStatus = 0) {
        const std::string list = WriteFile("list-" + std::to_string(m_scripts), text);
        return Script("cat '" + list + "'\nexit " + std::to_string(exitStatus));
    }
    int m_scripts = 0;
};

TEST_F(SelectionTest, DecodesSpecifiersExactly) {
    struct Case {
        std::string line;
        Status status;
        std::string path;
    };
    const std::vector<Case> cases = {
        {"/plain/path with spaces", 0, "/plain/path with spaces"},
        {"/keeps%20escapes", 0, "/keeps%20escapes"}, // a path is taken as it stands
        {"file:///a%2Fb", 0, "/a/b"},
        {"file:///bytes%FF%fe", 0, "/bytes\xFF\xFE"},
        {"file:/single/slash", 0, "/single/slash"},
        {"file://LOCALHOST/x", 0, "/x"},
        {"file:///x?query#frag", 0, "/x"},
        {"file:///name%23hash", 0, "/name#hash"},
        {"file://", EINVAL, ""},
        {"file://host", EINVAL, ""},
        {"file:relative", EINVAL, ""},
        {"file://localhost.evil/x", EINVAL, ""},
        {"file:///x%", EINVAL, ""},
        {"file:///x%G0", EINVAL, ""},
        {"file:///x%00y", EINVAL, ""},
        {"smb://server/share", EINVAL, ""},
        {"~/Documents", EINVAL, ""},
        {"", EINVAL, ""},
        {std::string("/with\0nul", 9), EINVAL, ""},
    };
    for (const Case& c : cases) {
        std::string path = "unchanged";
        EXPECT_EQ(DecodeItemSpecifier(c.line, path), c.status) << c.line;
        EXPECT_EQ(path, c.path) << c.line;
    }
}

TEST_F(SelectionTest, EveryItemLineGetsASlotNeverTheWrongItem) {
    const std::string a = WriteFile("dir/a.txt");
    const std::string spaced = WriteFile("dir/two words é.txt");
    const std::string crlf = WriteFile("dir/crlf.txt");
    const std::string x = WriteFile("dir/x");
    const std::string target = WriteFile("dir/target");
    const std::string link = Path("dir/link");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    const std::string output = "# a comment, and a blank line\n\nrelative/a.txt\n" // 0
                               "http://example.com/" +
                               a + "\n" +                                // 1
                               "file://" + Path("dir/a%00.txt") + "\n" + // 2
                               "file://" + Path("dir/%zz") + "\n" +      // 3
                               "file://otherhost" + a + "\n" +           // 4
                               "file://" + Path("dir/vanished") + "\n" + // 5
                               "file://" + a + "\n" +                    // 6 valid
                               a + "\n" +                                // 7 dup of 6
                               "file://localhost" + Path("dir/two%20words%20%C3%A9.txt") +
                               "\n" +                    // 8 valid
                               crlf + "\r\n" +           // 9 valid
                               "FILE://" + x + "\n" +    // 10 valid
                               "file:" + spaced + "\n" + // 11 dup of 8
                               "file://" + link;         // 12 the link itself
    const auto items = SelectionFromScriptOutput(output);
    ASSERT_TRUE(items.has_value());
    ASSERT_EQ(items->size(), 13u);
    for (size_t i : {0u, 1u, 2u, 3u, 4u, 5u, 7u, 11u}) {
        EXPECT_TRUE((*items)[i].IsNull()) << "slot " << i << " " << (*items)[i].Path();
    }
    EXPECT_EQ((*items)[6].Path(), a);
    EXPECT_EQ((*items)[8].Path(), spaced);
    EXPECT_EQ((*items)[9].Path(), crlf);
    EXPECT_EQ((*items)[10].Path(), x);
    struct stat st {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_EQ((*items)[12].Inode(), st.st_ino) << "the link was followed";
    FileRef ref;
    EXPECT_EQ(ResolveSelectionLine("file://" + Path("missing"), ref), ENOENT);
    EXPECT_TRUE(ref.IsNull());
}

TEST_F(SelectionTest, EachReadRunsTheScriptAnewAndReplacesTheSnapshot) {
    const std::string a = WriteFile("a.txt");
    const std::string list = WriteFile("list", a + "\n" + Path("b.txt") + "\n");
    const std::string script = Script("cat '" + list + "'");
    SelectionSnapshot snapshot;
    RefreshSelectionSnapshot(snapshot, script);
    ASSERT_TRUE(snapshot.hasArray);
    EXPECT_EQ(snapshot.count, 2);
    ASSERT_EQ(snapshot.items.size(), 2u);
    EXPECT_FALSE(snapshot.items[1].IsValid());
    WriteFile("b.txt");
    RefreshSelectionSnapshot(snapshot, script);
    EXPECT_EQ(snapshot.items.at(1).Path(), Path("b.txt")) << "the item that appeared is seen";
    // Nothing copied any more: no array, no stale items, the count kept.
    std::ofstream(list, std::ios::trunc) << "";
    RefreshSelectionSnapshot(snapshot, script);
    EXPECT_FALSE(snapshot.hasArray);
    EXPECT_TRUE(snapshot.items.empty());
    EXPECT_EQ(snapshot.count, 2);
}

TEST_F(SelectionTest, NoSelectionLeavesTheCountAlone) {
    const std::string a = WriteFile("a.txt");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"empty output", ScriptPrinting("")},
        {"only comments and blank lines", ScriptPrinting("# nothing\n\n\r\n#file:///x\n")},
        {"non-zero exit", ScriptPrinting(a + "\n", 1)},
        {"missing script", Path("no-such-script")},
        {"not executable", Script("echo " + a, 0644)},
        {"a folder", MakeDir("selection-dir")},
        {"relative script path", "selection"},
        {"killed by a signal", Script("echo " + a + "\nkill -9 $$")},
        {"endless output", Script("exec yes '" + a + "'")},
        {"too many lines", Script("yes '/' | head -n " + std::to_string(kMaxSelectionLines + 1))},
    };
    for (const auto& [what, script] : cases) {
        int32_t count = 77;
        EXPECT_FALSE(ReadSelection(script, count).has_value()) << what;
        EXPECT_EQ(count, 77) << what;
    }
}

// The process a script left running: gone, or a zombie nobody reaped yet.
bool ProcessIsGone(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = all.rfind(')');
    return !stat || (close != std::string::npos && close + 2 < all.size() && all[close + 2] == 'Z');
}

TEST_F(SelectionTest, ARunawayScriptIsCutShortWithItsWholeGroup) {
    const std::string pidFile = Path("child.pid");
    const std::string sleeper =
        Script("echo '" + WriteFile("a.txt") + "'\nsleep 600 &\necho $! > '" + pidFile + "'\nwait");
    int32_t count = 5;
    EXPECT_FALSE(ReadSelection(sleeper, count, CaptureLimits{300}).has_value());
    EXPECT_EQ(count, 5);
    const pid_t child = std::stoi(ReadFile(pidFile));
    // SIGKILL lands asynchronously: wait for it, with a deadline for a hang.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!ProcessIsGone(child) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(ProcessIsGone(child)) << "the script's background process was left running";
    kill(child, SIGKILL);
}

// The shipped script against the clipboard of the suite's X server. xclip
// serves in the foreground (-quiet); one that lost the clipboard before it
// was seen serving (slow X server under load) is started again until the
// clipboard offers the type.
class ShippedScriptTest : public TempHome {
protected:
    void SetUp() override {
        TempHome::SetUp();
        if (!getenv("FERROLET_DATA_DIR") || !getenv("DISPLAY")) {
            GTEST_SKIP() << "needs the data folder and an X server (ctest under xvfb-run)";
        }
        m_script = std::string(getenv("FERROLET_DATA_DIR")) + "/selection";
        if (const char* w = getenv("WAYLAND_DISPLAY")) {
            m_wayland = w;
            unsetenv("WAYLAND_DISPLAY");
        }
    }
    void TearDown() override {
        Stop();
        if (!m_wayland.empty()) {
            setenv("WAYLAND_DISPLAY", m_wayland.c_str(), 1);
        }
        TempHome::TearDown();
    }
    void Serve(const std::string& type, const std::string& text) {
        Stop();
        m_xclip.setStandardInputFile(QString::fromStdString(WriteFile("clipboard-input", text)));
        m_xclip.setStandardOutputFile(QProcess::nullDevice());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (std::chrono::steady_clock::now() < deadline) {
            if (m_xclip.state() == QProcess::NotRunning || m_xclip.waitForFinished(0)) {
                m_xclip.start("xclip", {"-quiet", "-selection", "clipboard", "-t",
                                        QString::fromStdString(type), "-i"});
                ASSERT_TRUE(m_xclip.waitForStarted(120000));
            }
            std::string targets;
            // Bounded: a reader whose owner never answers would wait for ever.
            RunProgram({"timeout", "30", "xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"},
                       &targets);
            if (targets.find(type) != std::string::npos) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        FAIL() << "xclip never served the clipboard";
    }
    void Stop() {
        m_xclip.terminate();
        m_xclip.waitForFinished(120000);
    }
    std::string m_script;
    std::string m_wayland;
    QProcess m_xclip;
};

TEST_F(ShippedScriptTest, CopiedFilesAreTheSelection) {
    const std::string a = WriteFile("copied/a file.txt");
    const std::string b = MakeDir("copied/folder é");
    Serve("text/uri-list", "# copied by a file manager\r\nfile://" + Path("copied/a%20file.txt") +
                               "\r\nfile://" + Path("copied/gone") + "\r\nfile://" +
                               Path("copied/folder%20%C3%A9") + "\r\n");
    int32_t count = 0;
    const auto items = ReadSelection(m_script, count);
    ASSERT_TRUE(items.has_value());
    ASSERT_EQ(items->size(), 3u);
    EXPECT_EQ((*items)[0].Path(), a);
    EXPECT_FALSE((*items)[1].IsValid());
    EXPECT_EQ((*items)[2].Path(), b);

    // GTK file managers' own list: the first line says "cut" and is no item.
    Serve("x-special/gnome-copied-files", "cut\nfile://" + Path("copied/a%20file.txt"));
    const auto cut = ReadSelection(m_script, count);
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ(count, 1);
    EXPECT_EQ((*cut)[0].Path(), a);

    // Text that is not a file list is no selection; nor is no display.
    Serve("UTF8_STRING", "file://" + a + "\n");
    count = 9;
    EXPECT_FALSE(ReadSelection(m_script, count).has_value());
    Stop();
    const std::string display = getenv("DISPLAY");
    unsetenv("DISPLAY");
    const bool got = ReadSelection(m_script, count).has_value();
    setenv("DISPLAY", display.c_str(), 1);
    EXPECT_FALSE(got);
    EXPECT_EQ(count, 9);
}

} // namespace
} // namespace ferrolet::test
