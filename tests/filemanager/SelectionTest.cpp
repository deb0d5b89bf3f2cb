// The selection: the script's lines decoded into slots, what counts as no
// selection, runaway scripts cut short, and what the shipped script reads.
#include "filemanager/Selection.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"
#include "filemanager/SelectionLine.h"

#include <csignal>
#include <fstream>
#include <sys/stat.h>
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
    const std::pair<std::string, std::string> decoded[] = {
        {"/plain/path with spaces", "/plain/path with spaces"},
        {"/keeps%20escapes", "/keeps%20escapes"}, // a path is taken as it stands
        {"file:///a%2Fb", "/a/b"},
        {"file:///bytes%FF%fe", "/bytes\xFF\xFE"},
        {"file:/single/slash", "/single/slash"},
        {"file://LOCALHOST/x", "/x"},
        {"file:///x?query#frag", "/x"},
        {"file:///name%23hash", "/name#hash"},
    };
    for (const auto& [line, expected] : decoded) {
        std::string path;
        EXPECT_EQ(DecodeItemSpecifier(line, path), 0) << line;
        EXPECT_EQ(path, expected) << line;
    }
    using namespace std::string_literals;
    const std::string refused[] = {"file://",       "file://host",
                                   "file:relative", "file://localhost.evil/x",
                                   "file:///x%",    "file:///x%G0",
                                   "file:///x%00y", "smb://server/share",
                                   "~/Documents",   "",
                                   "/with\0nul"s};
    for (const std::string& line : refused) {
        std::string path = "unchanged";
        EXPECT_EQ(DecodeItemSpecifier(line, path), EINVAL) << line;
        EXPECT_EQ(path, "") << line;
    }
}

TEST_F(SelectionTest, EveryItemLineGetsASlotNeverTheWrongItem) {
    const std::string a = WriteFile("dir/a.txt");
    const std::string spaced = WriteFile("dir/two words é.txt");
    const std::string crlf = WriteFile("dir/crlf.txt");
    const std::string x = WriteFile("dir/x");
    const std::string link = Path("dir/link");
    ASSERT_EQ(symlink(WriteFile("dir/target").c_str(), link.c_str()), 0);
    // Each line and the item its slot must hold ("" for none).
    const std::pair<std::string, std::string> lines[] = {
        {"relative/a.txt", ""},
        {"file://" + Path("dir/vanished"), ""},
        {"file://" + a, a},
        {"file://localhost" + Path("dir/two%20words%20%C3%A9.txt"), spaced},
        {crlf + "\r", crlf},
        {"FILE://" + x, x},
        {"file:" + spaced, ""}, // the same item again
        {"file://" + link, link},
    };
    std::string output = "# a comment, and a blank line\n\n";
    for (const auto& [line, path] : lines) {
        output += line + "\n";
    }
    output.pop_back(); // the last line has no line break
    const auto items = SelectionFromScriptOutput(output);
    ASSERT_TRUE(items.has_value());
    ASSERT_EQ(items->size(), std::size(lines));
    for (size_t i = 0; i < items->size(); ++i) {
        EXPECT_EQ((*items)[i].Path(), lines[i].second) << lines[i].first;
    }
    EXPECT_EQ(items->back().Inode(), Inode(link)) << "the link was followed";
}

// The process a script left running: gone, or a zombie nobody reaped yet.
bool ProcessIsGone(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = all.rfind(')');
    return !stat || (close != std::string::npos && close + 2 < all.size() && all[close + 2] == 'Z');
}

// Each read runs the script anew and replaces the snapshot; no selection
// (a runaway script among them) leaves it no items and the count the last
// selection left.
TEST_F(SelectionTest, EachReadReplacesTheSnapshotNoSelectionKeepsTheCount) {
    const std::string a = WriteFile("a.txt");
    const std::string script = ScriptPrinting(a + "\n" + Path("b.txt") + "\n");
    SelectionSnapshot snapshot;
    RefreshSelectionSnapshot(snapshot, script);
    ASSERT_TRUE(snapshot.hasArray);
    EXPECT_EQ(snapshot.count, 2);
    ASSERT_EQ(snapshot.items.size(), 2u);
    EXPECT_FALSE(snapshot.items[1].IsValid());
    WriteFile("b.txt");
    RefreshSelectionSnapshot(snapshot, script);
    EXPECT_EQ(snapshot.items.at(1).Path(), Path("b.txt")) << "the item that appeared is seen";

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
    for (const auto& [what, failing] : cases) {
        RefreshSelectionSnapshot(snapshot, failing);
        EXPECT_FALSE(snapshot.hasArray) << what;
        EXPECT_TRUE(snapshot.items.empty()) << what;
        EXPECT_EQ(snapshot.count, 2) << what;
    }

    // A runaway script is cut short with its whole group.
    const std::string pidFile = Path("child.pid");
    const std::string sleeper =
        Script("echo '" + a + "'\nsleep 600 &\necho $! > '" + pidFile + "'\nwait");
    EXPECT_FALSE(ReadSelection(sleeper, snapshot.count, CaptureLimits{300}).has_value());
    EXPECT_EQ(snapshot.count, 2);
    const pid_t child = std::stoi(ReadFile(pidFile));
    // SIGKILL lands asynchronously: wait for it, with a deadline for a hang.
    EnsureCoreApplication();
    EXPECT_TRUE(WaitFor([&] { return ProcessIsGone(child); }))
        << "the script's background process was left running";
    kill(child, SIGKILL);
}

// The shipped script's choice among what the clipboard offers, with a
// stand-in xclip serving one type. (Copied files as text/uri-list, what every
// file manager offers, are read from the real X clipboard in every end-to-end
// run.)
TEST_F(SelectionTest, TheShippedScriptReadsGtkFileListsAndRefusesText) {
    const char* data = getenv("FERROLET_DATA_DIR");
    if (!data) {
        GTEST_SKIP() << "needs the data folder (ctest sets it)";
    }
    // "xclip -o -selection clipboard -t TYPE" prints the served type for
    // TARGETS, the served text for that type, and fails for any other.
    const std::string xclip = Script("cd '" + MakeDir("clip") + "' || exit 1\ncase \"$5\" in\n" +
                                     "TARGETS) printf 'TARGETS\\n%s\\n' \"$(cat type)\" ;;\n" +
                                     "\"$(cat type)\") cat text ;;\n*) exit 1 ;;\nesac");
    ASSERT_EQ(symlink(xclip.c_str(), (MakeDir("bin") + "/xclip").c_str()), 0);
    const std::string path = getenv("PATH");
    setenv("PATH", (Path("bin") + ":" + path).c_str(), 1);
    setenv("DISPLAY", ":0", 0); // xclip is asked only on an X display
    unsetenv("WAYLAND_DISPLAY");
    int32_t count = 0;
    const auto serve = [&](const std::string& type, const std::string& text) {
        WriteFile("clip/type", type);
        WriteFile("clip/text", text);
        return ReadSelection(std::string(data) + "/selection", count);
    };
    // GTK file managers' own list: the first line says "cut" and is no item.
    const std::string a = WriteFile("copied/a file.txt");
    const auto cut =
        serve("x-special/gnome-copied-files", "cut\nfile://" + Path("copied/a%20file.txt"));
    const auto text = serve("UTF8_STRING", "file://" + a + "\n");
    setenv("PATH", path.c_str(), 1);
    ASSERT_TRUE(cut.has_value());
    EXPECT_EQ((*cut)[0].Path(), a);
    EXPECT_FALSE(text.has_value()) << "text that is not a file list is no selection";
    EXPECT_EQ(count, 1);
}

} // namespace
} // namespace ferrolet::test
