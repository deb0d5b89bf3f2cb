#include "filemanager/Selection.h"
#include "ScriptFiles.h"
#include "TestEnvironment.h"
#include "filemanager/SelectionLine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet {
namespace {

using test::WriteScript;

class SelectionTest : public test::TempHome {
protected:
    // A script that prints the given text exactly (kept in a file, so no
    // quoting of the text is involved) and exits with the given status.
    std::string ScriptPrinting(const std::string& text, int exitStatus = 0) {
        const std::string list = WriteFile("list-" + std::to_string(m_scripts), text);
        return WriteScript(Path("script-" + std::to_string(m_scripts++)),
                           "cat '" + list + "'\nexit " + std::to_string(exitStatus));
    }
    int m_scripts = 0;
};

TEST_F(SelectionTest, EveryItemLineGetsASlotAndUnresolvableOnesStayInvalid) {
    const std::string a = WriteFile("sel/a.txt");
    const std::string c = MakeDir("sel/c folder");
    const std::string script = ScriptPrinting("file://" + a + "\n" + Path("sel/gone.txt") +
                                              "\nfile://" + Path("sel/c%20folder") + "\n");
    int32_t count = 0;
    const auto items = ReadSelection(script, count);
    ASSERT_TRUE(items.has_value());
    EXPECT_EQ(count, 3);
    ASSERT_EQ(items->size(), 3u);
    EXPECT_TRUE((*items)[0].IsValid());
    EXPECT_EQ((*items)[0].Path(), a);
    EXPECT_TRUE((*items)[1].IsNull());
    EXPECT_FALSE((*items)[1].IsValid());
    EXPECT_TRUE((*items)[2].IsValid());
    EXPECT_EQ((*items)[2].Path(), c);

    // Run anew on every call: the second call sees the item that appeared.
    WriteFile("sel/gone.txt");
    const auto again = ReadSelection(script, count);
    ASSERT_TRUE(again.has_value());
    EXPECT_TRUE((*again)[1].IsValid());
}

TEST_F(SelectionTest, EachMenuBuildReplacesTheSnapshot) {
    const std::string a = WriteFile("a.txt");
    const std::string b = WriteFile("b.txt");
    const std::string list = WriteFile("list", a + "\n" + b + "\n");
    const std::string script = WriteScript(Path("sel"), "cat '" + list + "'");
    SelectionSnapshot snapshot;
    RefreshSelectionSnapshot(snapshot, script);
    ASSERT_TRUE(snapshot.hasArray);
    EXPECT_EQ(snapshot.count, 2);
    ASSERT_EQ(snapshot.items.size(), 2u);
    EXPECT_EQ(snapshot.items[1].Path(), b);

    // The user copies nothing any more: no array, and no stale items either.
    std::ofstream(list, std::ios::trunc) << "";
    RefreshSelectionSnapshot(snapshot, script);
    EXPECT_FALSE(snapshot.hasArray);
    EXPECT_TRUE(snapshot.items.empty());

    std::ofstream(list, std::ios::trunc) << b << "\n";
    RefreshSelectionSnapshot(snapshot, script);
    ASSERT_TRUE(snapshot.hasArray);
    EXPECT_EQ(snapshot.count, 1);
    EXPECT_EQ(snapshot.items.at(0).Path(), b);
}

TEST_F(SelectionTest, NoSelectionLeavesTheCountAlone) {
    const std::string a = WriteFile("a.txt");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"empty output", ScriptPrinting("")},
        {"only comments and blank lines", ScriptPrinting("# nothing\n\n\r\n#file:///x\n")},
        {"non-zero exit", ScriptPrinting(a + "\n", 1)},
        {"missing script", Path("no-such-script")},
        {"not executable", WriteScript(Path("plain"), "echo " + a, 0644)},
        {"a folder", MakeDir("selection-dir")},
        {"relative script path", "selection"},
        {"killed by a signal", WriteScript(Path("killed"), "echo " + a + "\nkill -9 $$")},
    };
    for (const auto& [what, script] : cases) {
        int32_t count = 77;
        EXPECT_FALSE(ReadSelection(script, count).has_value()) << what;
        EXPECT_EQ(count, 77) << what;
    }
}

TEST_F(SelectionTest, HostileLinesGiveInvalidSlotsNeverTheWrongItem) {
    const std::string a = WriteFile("dir/a.txt");
    const std::string spaced = WriteFile("dir/two words é.txt");
    const std::string crlf = WriteFile("dir/crlf.txt");
    WriteFile("dir/x");
    const std::string output = "relative/a.txt\n" // 0 relative
                               "http://example.com/" +
                               a + "\n" +                                // 1 other scheme
                               "file://" + Path("dir/a%00.txt") + "\n" + // 2 escaped NUL
                               "file://" + Path("dir/%zz") + "\n" +      // 3 bad escape
                               "file://" + Path("dir/x%4") + "\n" +      // 4 cut escape
                               "file://otherhost" + a + "\n" +           // 5 remote host
                               "file://" + Path("dir/vanished") + "\n" + // 6 nothing there
                               "file://" + a + "\n" +                    // 7 valid
                               a + "\n" +                                // 8 duplicate of 7
                               "file://localhost" + Path("dir/two%20words%20%C3%A9.txt") +
                               "\n" +                             // 9 valid
                               crlf + "\r\n" +                    // 10 valid
                               "FILE://" + Path("dir/x") + "\n" + // 11 valid
                               "file:" + spaced;                  // 12 dup of 9
    const auto items = SelectionFromScriptOutput(output);
    ASSERT_TRUE(items.has_value());
    ASSERT_EQ(items->size(), 13u);
    for (size_t i : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 8u, 12u}) {
        EXPECT_TRUE((*items)[i].IsNull()) << "slot " << i << " " << (*items)[i].Path();
    }
    EXPECT_EQ((*items)[7].Path(), a);
    EXPECT_EQ((*items)[9].Path(), spaced);
    EXPECT_EQ((*items)[10].Path(), crlf);
    EXPECT_EQ((*items)[11].Path(), Path("dir/x"));
}

TEST_F(SelectionTest, SymbolicLinkLeafIsTheLinkItself) {
    const std::string target = WriteFile("target.txt");
    const std::string link = Path("link.txt");
    ASSERT_EQ(symlink(target.c_str(), link.c_str()), 0);
    FileRef ref;
    ASSERT_EQ(ResolveSelectionLine("file://" + link, ref), 0);
    struct stat st {};
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_EQ(ref.Inode(), st.st_ino);
    EXPECT_EQ(ref.Path(), link);

    EXPECT_EQ(ResolveSelectionLine("not a specifier", ref), EINVAL);
    EXPECT_TRUE(ref.IsNull());
    EXPECT_EQ(ResolveSelectionLine("file://" + Path("missing"), ref), ENOENT);
    EXPECT_TRUE(ref.IsNull());
}

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
        {"file:///caf%C3%A9", 0, "/caf\xC3\xA9"},
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

TEST_F(SelectionTest, LargeSelectionsAreReadWhole) {
    // 100,000 lines: 2,000 real files, the rest items that are not there.
    MakeDir("many");
    std::string text;
    for (int i = 0; i < 100000; ++i) {
        const std::string path = Path("many/f" + std::to_string(i));
        if (i % 50 == 0) {
            std::ofstream(path) << "x";
            text += "file://" + path + "\r\n";
        } else {
            text += path + "\n";
        }
    }
    int32_t count = 0;
    const auto items = ReadSelection(ScriptPrinting(text), count);
    ASSERT_TRUE(items.has_value());
    EXPECT_EQ(count, 100000);
    size_t valid = 0;
    for (size_t i = 0; i < items->size(); ++i) {
        if ((*items)[i].IsValid()) {
            ++valid;
            EXPECT_EQ(i % 50, 0u);
        }
    }
    EXPECT_EQ(valid, 2000u);
}

// The process a script left running: gone, or a zombie nobody reaped yet.
bool ProcessIsGone(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    if (!stat) {
        return true;
    }
    std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const size_t close = all.rfind(')');
    return close != std::string::npos && close + 2 < all.size() && all[close + 2] == 'Z';
}

TEST_F(SelectionTest, RunawayScriptsAreCutShort) {
    const std::string a = WriteFile("a.txt");
    const std::string pidFile = Path("child.pid");
    // Prints an item, then never ends, with a second process in its group.
    const std::string sleeper = WriteScript(
        Path("sleeper"), "echo '" + a + "'\nsleep 600 &\necho $! > '" + pidFile + "'\nwait");
    int32_t count = 5;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_FALSE(ReadSelection(sleeper, count).has_value());
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(count, 5);
    // A hang guard, not a speed target: the cap is 5 s.
    EXPECT_LT(took, std::chrono::seconds(60));
    const pid_t child = std::stoi(ReadFile(pidFile));
    // SIGKILL takes effect asynchronously; allow it a moment to land.
    for (int i = 0; i < 200 && !ProcessIsGone(child); ++i) {
        usleep(10000);
    }
    EXPECT_TRUE(ProcessIsGone(child)) << "the script's background process was left running";
    if (!ProcessIsGone(child)) {
        kill(child, SIGKILL);
    }

    // Endless output is capped by size, and too many lines are refused.
    EXPECT_FALSE(ReadSelection(WriteScript(Path("yes"), "exec yes '" + a + "'"), count));
    EXPECT_FALSE(ReadSelection(
        WriteScript(Path("lines"), "yes '/' | head -n " + std::to_string(kMaxSelectionLines + 1)),
        count));
    EXPECT_EQ(count, 5);
}

} // namespace
} // namespace ferrolet
