#include "TestEnvironment.h"
#include "filemanager/Selection.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace ferrolet {
namespace {

// The shipped "selection" script, run for real against the clipboard of the
// X server the suite runs in.
class SelectionScriptTest : public test::TempHome {
protected:
    void SetUp() override {
        TempHome::SetUp();
        const char* data = getenv("FERROLET_DATA_DIR");
        if (!data) {
            GTEST_SKIP() << "FERROLET_DATA_DIR is not set (ctest sets it)";
        }
        m_script = std::string(data) + "/selection";
        if (!getenv("DISPLAY")) {
            GTEST_SKIP() << "no X server (the suite runs under xvfb-run)";
        }
        // The X clipboard is the one under test, whatever the session offers.
        if (const char* w = getenv("WAYLAND_DISPLAY")) {
            m_wayland = w;
            unsetenv("WAYLAND_DISPLAY");
        }
    }

    void TearDown() override {
        StopServing();
        if (!m_wayland.empty()) {
            setenv("WAYLAND_DISPLAY", m_wayland.c_str(), 1);
        }
        TempHome::TearDown();
    }

    // Puts text on the clipboard as the given type. xclip stays in the
    // foreground (-quiet) serving it, so the test knows what to stop. An
    // xclip that lost the clipboard before it was seen serving (another
    // client took it, or the X server was slow to hand it over under load)
    // exits; it is started again until the clipboard offers the type.
    void Serve(const std::string& type, const std::string& text) {
        StopServing();
        const std::string input = WriteFile("clipboard-input", text);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            if (m_xclip <= 0 || waitpid(m_xclip, nullptr, WNOHANG) == m_xclip) {
                m_xclip = -1;
                StartXclip(type, input);
            }
            std::string targets;
            test::RunProgram({"xclip", "-o", "-selection", "clipboard", "-t", "TARGETS"}, &targets);
            if (targets.find(type) != std::string::npos) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        FAIL() << "xclip never served the clipboard";
    }

    void StartXclip(const std::string& type, const std::string& input) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        char* argv[] = {const_cast<char*>("xclip"),      const_cast<char*>("-quiet"),
                        const_cast<char*>("-selection"), const_cast<char*>("clipboard"),
                        const_cast<char*>("-t"),         const_cast<char*>(type.c_str()),
                        const_cast<char*>("-i"),         nullptr};
        ASSERT_EQ(posix_spawnp(&m_xclip, "xclip", &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
    }

    void StopServing() {
        if (m_xclip > 0) {
            kill(m_xclip, SIGTERM);
            waitpid(m_xclip, nullptr, 0);
            m_xclip = -1;
        }
    }

    std::string m_script;
    std::string m_wayland;
    pid_t m_xclip = -1;
};

TEST_F(SelectionScriptTest, CopiedFilesAreTheSelection) {
    const std::string a = WriteFile("copied/a file.txt");
    const std::string b = MakeDir("copied/folder é");
    Serve("text/uri-list", "# copied by a file manager\r\nfile://" + Path("copied/a%20file.txt") +
                               "\r\nfile://" + Path("copied/gone") + "\r\nfile://" +
                               Path("copied/folder%20%C3%A9") + "\r\n");
    int32_t count = 0;
    const auto items = ReadSelection(m_script, count);
    ASSERT_TRUE(items.has_value());
    EXPECT_EQ(count, 3);
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

    // Text that is not a file list is no selection.
    Serve("UTF8_STRING", "file://" + a + "\n");
    count = 9;
    EXPECT_FALSE(ReadSelection(m_script, count).has_value());
    EXPECT_EQ(count, 9);
    StopServing();
}

TEST_F(SelectionScriptTest, NoDisplayIsNoSelection) {
    const std::string display = getenv("DISPLAY");
    unsetenv("DISPLAY");
    int32_t count = 4;
    const bool got = ReadSelection(m_script, count).has_value();
    setenv("DISPLAY", display.c_str(), 1);
    EXPECT_FALSE(got);
    EXPECT_EQ(count, 4);
}

} // namespace
} // namespace ferrolet
