// Menu tags reaching the commands: the decoding tables, the AppCore hook, the
// search for an offered item, and `ferrolet --command` as a user runs it.
#include "CommandFixture.h"
#include "app/AppCore.h"
#include "app/OfferedCommand.h"
#include "dispatch/CommandDispatch.h"
#include "dispatch/CommandIds.h"
#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ferrolet;

namespace {

class DispatchTest : public ferrolet::test::DestinationCommandTest {
protected:
    // Three listed folders and one selected file.
    void ThreeFolders() {
        SetDestinations({MakeDir("one"), MakeDir("two"), MakeDir("three")});
        Select({WriteFile("src/a.txt", "a")});
    }
};

TEST_F(DispatchTest, FolderTagsRunTheirCommandOnTheirFolder) {
    ThreeFolders();
    RunTaggedCommand(*m_ctx, 3006); // Copy To, third folder
    EXPECT_EQ(ReadFile(Path("three/a.txt")), "a");
    EXPECT_EQ(ReadFile(Path("src/a.txt")), "a");

    RunTaggedCommand(*m_ctx, 2010); // Open Folder, second folder
    EXPECT_EQ(m_platform.openedFolders, std::vector<std::string>{Path("two")});

    ASSERT_EQ(unlink(Path("three/a.txt").c_str()), 0);
    RunTaggedCommand(*m_ctx, 3003); // Move To, third folder
    EXPECT_EQ(ReadFile(Path("three/a.txt")), "a");
    EXPECT_FALSE(Exists(Path("src/a.txt")));

    // Tags that decode to nothing, or past the list, touch nothing.
    Select({Path("three/a.txt")});
    for (int tag : {0, 7, 1000, 1007, 4004 * 1001}) {
        RunTaggedCommand(*m_ctx, tag);
    }
    EXPECT_EQ(Names(Path("three")), std::vector<std::string>{"a.txt"});
    EXPECT_EQ(m_platform.beeps, 0);
    EXPECT_TRUE(m_platform.dialogs.empty());
}

TEST_F(DispatchTest, HeadersAskForTheFolderExceptOpenFolder) {
    ThreeFolders();
    RunCommandWithFolderDialog(*m_ctx, 1005); // Open Folder's header: nothing
    RunCommandWithFolderDialog(*m_ctx, 3003); // not a header
    EXPECT_TRUE(m_platform.dialogs.empty());
    EXPECT_TRUE(m_platform.openedFolders.empty());

    m_platform.dialogAnswers.push_back({Path("two")});
    RunCommandWithFolderDialog(*m_ctx, 1002); // Copy To …
    EXPECT_EQ(ReadFile(Path("two/a.txt")), "a");
    m_platform.dialogAnswers.push_back({Path("one")});
    RunCommandWithFolderDialog(*m_ctx, 1001); // Move To …
    EXPECT_EQ(ReadFile(Path("one/a.txt")), "a");
    EXPECT_FALSE(Exists(Path("src/a.txt")));
    EXPECT_EQ(m_platform.dialogs.size(), 2u);
}

TEST_F(DispatchTest, AddAndRemoveFolderThroughTheirTags) {
    const std::string box = MakeDir("Box");
    Select({box});
    RunTaggedCommand(*m_ctx, cmd::AddFolder);
    RunTaggedCommand(*m_ctx, cmd::AddFolder);
    EXPECT_EQ(FolderPathnames(*m_settings, keys::PathnamesAliases).size(), 2);
    RunTaggedCommand(*m_ctx, cmd::RemoveFolder);
    EXPECT_EQ(FolderPathnames(*m_settings, keys::PathnamesAliases),
              QStringList{QString::fromStdString(box)});
    EXPECT_EQ(m_tableUpdates, 3);
}

TEST_F(DispatchTest, AppCoreRunsChosenItemsThroughTheDispatch) {
    ThreeFolders();
    AppCore core(*m_settings, m_platform);
    core.Selection() = m_selection; // as if its own build had taken it
    MenuItem item;
    item.action = MenuAction::RunCommand;
    item.tag = 2 * 1001;
    core.Perform(item);
    EXPECT_EQ(ReadFile(Path("two/a.txt")), "a");
}

TEST_F(DispatchTest, OnlyEnabledItemsAreOffered) {
    Menu menu;
    MenuItem greyed;
    greyed.title = "Cut Items";
    greyed.tag = cmd::CutItems; // no action: shown greyed
    menu.Append(greyed);
    auto sub = std::make_shared<Menu>();
    AddMenuItem("/x", 1001, "/x", *sub);
    MenuItem header;
    header.title = "Move To";
    header.action = MenuAction::ChooseFolder;
    header.tag = 1001;
    header.submenu = sub;
    menu.Append(header);
    MenuItem disabled = header;
    disabled.explicitlyDisabled = true;
    disabled.tag = 1002;
    disabled.submenu = std::make_shared<Menu>();
    AddMenuItem("/y", 1002, "/y", *disabled.submenu);
    menu.Append(disabled);

    EXPECT_EQ(FindOfferedCommand(menu, cmd::CutItems, false), nullptr);
    ASSERT_NE(FindOfferedCommand(menu, 1001, false), nullptr);
    EXPECT_EQ(FindOfferedCommand(menu, 1001, false)->title, "/x");
    ASSERT_NE(FindOfferedCommand(menu, 1001, true), nullptr);
    EXPECT_EQ(FindOfferedCommand(menu, 1001, true)->title, "Move To");
    EXPECT_EQ(FindOfferedCommand(menu, 1002, false), nullptr) << "inside a greyed submenu";
    EXPECT_EQ(FindOfferedCommand(menu, 2002, false), nullptr);
}

// The program itself, with the selection script of a private data folder.
class CommandLineRunTest : public ferrolet::test::DestinationCommandTest {
protected:
    void SetUp() override {
        DestinationCommandTest::SetUp();
        const char* data = std::getenv("FERROLET_DATA_DIR");
        m_savedDataDir = data ? data : "";
        setenv("FERROLET_DATA_DIR", MakeDir("data").c_str(), 1);
    }
    void TearDown() override {
        setenv("FERROLET_DATA_DIR", m_savedDataDir.c_str(), 1);
        DestinationCommandTest::TearDown();
    }
    void SelectionScriptPrints(const std::string& path) {
        const std::string script = Path("data/selection");
        std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' '" << path << "'\n";
        ASSERT_EQ(chmod(script.c_str(), 0755), 0);
    }
    int RunFerrolet(const std::vector<std::string>& args) {
        std::vector<std::string> argv{FERROLET_BINARY};
        argv.insert(argv.end(), args.begin(), args.end());
        // Standard error is where a refusal is said; fold it into the output.
        std::vector<std::string> sh{"sh", "-c", "exec \"$0\" \"$@\" 2>&1"};
        sh.insert(sh.end(), argv.begin(), argv.end());
        return ferrolet::test::RunProgram(sh, &m_output);
    }
    // Starts the tray application with its own data folder; true once it owns
    // the bus name.
    static bool StartInstance(const std::string& dataDir, pid_t& pid) {
        pid = fork();
        if (pid == 0) {
            setenv("FERROLET_DATA_DIR", dataDir.c_str(), 1);
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            execl(FERROLET_BINARY, FERROLET_BINARY, static_cast<char*>(nullptr));
            _exit(127);
        }
        bool up = false;
        for (int i = 0; i < 100 && !up && pid > 0; ++i) {
            up = ferrolet::test::RunProgram(
                     {"sh", "-c",
                      "dbus-send --session --print-reply --dest=org.freedesktop.DBus / "
                      "org.freedesktop.DBus.NameHasOwner string:com.quorvane.Ferrolet | grep -q "
                      "'boolean true'"}) == 0;
            if (!up) {
                usleep(100 * 1000);
            }
        }
        return up;
    }
    std::string m_savedDataDir;
    std::string m_output;
};

TEST_F(CommandLineRunTest, RunsAnOfferedTagAndRefusesOthers) {
    const std::string a = WriteFile("src/a.txt", "a");
    SetDestinations({MakeDir("one"), MakeDir("two")});
    SelectionScriptPrints(a);

    // Not offered: Move To a third folder that is not listed, Remove Folder
    // for a file, a tag no item carries, a folder item's tag as a header.
    for (const auto& args : std::vector<std::vector<std::string>>{{"--command", "3003"},
                                                                  {"--command", "-1002"},
                                                                  {"--command", "99999"},
                                                                  {"--command", "2004", "--ask"}}) {
        EXPECT_EQ(RunFerrolet(args), 2) << args[1];
        EXPECT_NE(m_output.find("does not offer"), std::string::npos) << m_output;
    }
    EXPECT_EQ(ReadFile(a), "a");

    EXPECT_EQ(RunFerrolet({"--command", "2004"}), 0) << m_output; // Copy To "two"
    EXPECT_EQ(ReadFile(Path("two/a.txt")), "a");
    EXPECT_EQ(RunFerrolet({"--command", "2004"}), 0) << "offered, even if the copy clashes";
    EXPECT_NE(m_output.find("Error code = 17"), std::string::npos) << m_output;
    // 1001 is both Move To's header and its first folder item; without
    // --ask it is the folder item.
    EXPECT_EQ(RunFerrolet({"--command", "1001"}), 0) << m_output;
    EXPECT_EQ(ReadFile(Path("one/a.txt")), "a");
    EXPECT_FALSE(Exists(a));
}

TEST_F(CommandLineRunTest, GivenItemsAreTheSelectionAndTheClipboardIsNotRead) {
    const std::string a = WriteFile("src/a.txt", "a");
    const std::string b = WriteFile("src/-b.txt", "b");
    const std::string clipboard = WriteFile("src/clipboard.txt", "c");
    const std::string one = MakeDir("one");
    SetDestinations({one, MakeDir("two")});
    SelectionScriptPrints(clipboard);

    // Move To "one" with the destination itself, a vanished item and a
    // relative name among the items: those are skipped, the rest move.
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(Path("src"));
    EXPECT_EQ(RunFerrolet({"--command", "1001", "--", a, one, Path("src/gone"), "-b.txt"}), 0)
        << m_output;
    EXPECT_EQ(Names(one), (std::vector<std::string>{"-b.txt", "a.txt"}));
    EXPECT_EQ(ReadFile(clipboard), "c");
    EXPECT_NE(m_output.find("is the destination folder itself"), std::string::npos) << m_output;
    EXPECT_NE(m_output.find("no longer exists"), std::string::npos) << m_output;

    // The menu built for the given items decides what is offered: Remove
    // Folder is not offered for a file, nor anything for items all gone.
    EXPECT_EQ(RunFerrolet({"--command", "-1002", clipboard}), 2) << m_output;
    EXPECT_EQ(RunFerrolet({"--command", "2002", Path("src/gone")}), 2) << m_output;
    // Add Folder for a given folder; Copy To it then copies the given file.
    const std::string three = MakeDir("three");
    EXPECT_EQ(RunFerrolet({"--command", "-1001", three}), 0) << m_output;
    EXPECT_EQ(RunFerrolet({"--command", "3006", Path("one/a.txt")}), 0) << m_output;
    EXPECT_EQ(Names(three), std::vector<std::string>{"a.txt"});
    // A run whose item failed says so in its exit status too.
    EXPECT_EQ(RunFerrolet({"--command", "3006", Path("one/a.txt")}), 1) << m_output;
    EXPECT_NE(m_output.find("Copy To: 1 of 1 item not copied"), std::string::npos) << m_output;
    EXPECT_EQ(ReadFile(clipboard), "c");
    std::filesystem::current_path(cwd);
}

TEST_F(CommandLineRunTest, RunsInTheRunningInstanceWhenThereIsOne) {
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS")) {
        GTEST_SKIP() << "no session bus (the suite runs under dbus-run-session)";
    }
    if (ferrolet::test::RunProgram(
            {"sh", "-c",
             "dbus-send --session --print-reply --dest=org.freedesktop.DBus "
             "/ org.freedesktop.DBus.NameHasOwner string:com.quorvane.Ferrolet "
             "| grep -q 'boolean false'"}) != 0) {
        GTEST_SKIP() << "another instance owns the bus name";
    }
    // The instance sees one selection, this process another: what moves
    // tells where the command ran.
    const std::string mine = WriteFile("src/instance.txt", "i");
    const std::string theirs = WriteFile("src/client.txt", "c");
    SetDestinations({MakeDir("one"), MakeDir("two")});
    SelectionScriptPrints(mine);
    pid_t pid = -1;
    const bool up = StartInstance(Path("data"), pid);
    ASSERT_GE(pid, 0);
    const std::string clientData = MakeDir("client-data");
    setenv("FERROLET_DATA_DIR", clientData.c_str(), 1);
    {
        std::ofstream(clientData + "/selection")
            << "#!/bin/sh\nprintf '%s\\n' '" << theirs << "'\n";
        chmod((clientData + "/selection").c_str(), 0755);
    }
    const std::string handed = WriteFile("src/handed.txt", "h");
    int copied = -1, refused = -1, given = -1;
    std::string refusal;
    if (up) {
        copied = RunFerrolet({"--command", "2004"});
        refused = RunFerrolet({"--command", "3003"});
        refusal = m_output;
        // With items, the instance acts on them and neither selection.
        given = RunFerrolet({"--command", "1001", "--", handed});
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(up) << "the instance never took its bus name";
    EXPECT_EQ(copied, 0);
    EXPECT_EQ(Names(Path("two")), std::vector<std::string>{"instance.txt"});
    EXPECT_EQ(refused, 2);
    EXPECT_NE(refusal.find("does not offer command 3003"), std::string::npos) << refusal;
    EXPECT_EQ(given, 0);
    EXPECT_EQ(Names(Path("one")), std::vector<std::string>{"handed.txt"});
}

} // namespace
