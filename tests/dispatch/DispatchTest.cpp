// Menu tags reaching the commands: the dispatch, the AppCore hook, and
// `ferrolet --command` as a user runs it (only what the menus offer), alone
// and handing over to a running instance on a private bus.
#include "CommandFixture.h"
#include "PrivateBus.h"
#include "app/AppCore.h"
#include "dispatch/CommandDispatch.h"
#include "dispatch/CommandIds.h"
#include "settings/FolderLists.h"

#include <QDBusConnectionInterface>
#include <QProcess>

#include <sys/stat.h>

namespace ferrolet::test {
namespace {

using DispatchTest = CommandTest;

TEST_F(DispatchTest, TagsRunTheirCommandOnTheirFolderAndHeadersAsk) {
    SetDestinations({MakeDir("one"), MakeDir("two"), MakeDir("three")});
    Select({WriteFile("src/a.txt", "a")});
    RunTaggedCommand(*m_ctx, 3006); // Copy To, third folder
    EXPECT_EQ(ReadFile(Path("three/a.txt")) + ReadFile(Path("src/a.txt")), "aa");
    RunTaggedCommand(*m_ctx, 2010); // Open Folder, second folder
    EXPECT_EQ(m_platform.openedFolders, std::vector<std::string>{Path("two")});
    // Tags that decode to nothing, or past the list, touch nothing.
    for (int tag : {0, 7, 1000, 1007, 4004 * 1001}) {
        RunTaggedCommand(*m_ctx, tag);
    }
    RunCommandWithFolderDialog(*m_ctx, 1005); // Open Folder's header asks nothing
    RunCommandWithFolderDialog(*m_ctx, 3003); // not a header
    EXPECT_TRUE(m_platform.dialogs.empty() && m_platform.beeps == 0);
    m_platform.dialogAnswers.push_back({Path("one")});
    RunCommandWithFolderDialog(*m_ctx, 1001); // Move To …
    EXPECT_EQ(ReadFile(Path("one/a.txt")), "a");
    EXPECT_FALSE(Exists(Path("src/a.txt")));

    AppCore core(*m_settings, m_platform);
    Select({Path("one/a.txt")});
    core.Selection() = m_selection; // as if its own build had taken it
    MenuItem item;
    item.action = MenuAction::RunCommand;
    item.tag = 2 * 1001;
    core.Perform(item);
    EXPECT_EQ(Names(Path("two")), std::vector<std::string>{"a.txt"});

    Select({MakeDir("Box")});
    RunTaggedCommand(*m_ctx, cmd::AddFolder);
    RunTaggedCommand(*m_ctx, cmd::RemoveFolder);
    EXPECT_EQ(FolderPathnames(*m_settings, keys::PathnamesAliases).size(), 3);
    EXPECT_EQ(m_tableUpdates, 2);
}

// The program itself, with the selection script of a private data folder.
class CommandLineRunTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        m_env = QProcessEnvironment::systemEnvironment(); // with the private home
        SelectionScriptPrints("data", WriteFile("src/clipboard.txt", "c"));
    }
    void SelectionScriptPrints(const std::string& dataDir, const std::string& path) {
        const std::string script =
            WriteFile(dataDir + "/selection", "#!/bin/sh\necho '" + path + "'\n");
        ASSERT_EQ(chmod(script.c_str(), 0755), 0);
        m_env.insert("FERROLET_DATA_DIR", QString::fromStdString(Path(dataDir)));
    }
    // Standard error is where a refusal is said: kept in m_output.
    int Run(const QStringList& args) {
        QProcess run;
        run.setProcessEnvironment(m_env);
        run.setProcessChannelMode(QProcess::MergedChannels);
        run.setWorkingDirectory(QString::fromStdString(Path("src")));
        run.start(QStringLiteral(FERROLET_BINARY), args);
        EXPECT_TRUE(run.waitForFinished(120000)) << args.join(' ').toStdString();
        m_output = run.readAll().toStdString();
        return run.exitCode();
    }
    QProcessEnvironment m_env;
    std::string m_output;
};

TEST_F(CommandLineRunTest, RunsAnOfferedTagOnTheSelectionOrTheGivenItems) {
    const QString a = QString::fromStdString(WriteFile("src/a.txt", "a"));
    WriteFile("src/-b.txt", "b");
    const std::string clipboard = Path("src/clipboard.txt");
    const std::string one = MakeDir("one");
    SetDestinations({one, MakeDir("two")});
    // Not offered: a third folder, Remove Folder for a file, a tag no item
    // carries, a folder item's tag as a header.
    for (const QStringList& args : {QStringList{"--command", "3003"},
                                    {"--command", "-1002"},
                                    {"--command", "99999"},
                                    {"--command", "2004", "--ask"}}) {
        EXPECT_EQ(Run(args), 2) << args[1].toStdString();
        EXPECT_NE(m_output.find("does not offer"), std::string::npos) << m_output;
    }
    EXPECT_EQ(Run({"--command", "2004"}), 0) << m_output; // Copy To "two"
    EXPECT_EQ(Run({"--command", "2004", QString::fromStdString(clipboard)}), 1)
        << "a run whose item failed says so in its exit status";
    EXPECT_NE(m_output.find("Copy To: 1 of 1 item not copied"), std::string::npos) << m_output;
    EXPECT_EQ(Run({"--command", "2004"}), 1) << "and so does a run on the selection";
    EXPECT_EQ(Names(Path("two")), std::vector<std::string>{"clipboard.txt"});

    // Given items are the selection: the destination itself, a vanished
    // item and a relative name among them; the clipboard is not read.
    const QString gone = QString::fromStdString(Path("src/gone"));
    EXPECT_EQ(Run({"--command", "1001", "--", a, QString::fromStdString(one), gone, "-b.txt"}), 0)
        << m_output;
    EXPECT_EQ(Names(one), (std::vector<std::string>{"-b.txt", "a.txt"}));
    EXPECT_NE(m_output.find("is the destination folder itself"), std::string::npos) << m_output;
    EXPECT_NE(m_output.find("no longer exists"), std::string::npos) << m_output;
    EXPECT_EQ(Run({"--command", "2002", gone}), 2);
    EXPECT_EQ(ReadFile(clipboard), "c");
}

TEST_F(CommandLineRunTest, RunsInTheRunningInstanceWhenThereIsOne) {
    // The instance sees one selection, the client another: what moves
    // tells where the command ran.
    PrivateBus bus(m_root);
    ASSERT_TRUE(bus.IsUp());
    m_env = bus.ChildEnvironment();
    SelectionScriptPrints("data", WriteFile("src/instance.txt", "i"));
    SetDestinations({MakeDir("one"), MakeDir("two")});
    QProcess instance;
    instance.setProcessEnvironment(m_env);
    instance.start(QStringLiteral(FERROLET_BINARY), {});
    QDBusConnection observer = bus.Connect(QStringLiteral("observer"));
    const QString ours = QStringLiteral("com.quorvane.Ferrolet");
    ASSERT_TRUE(WaitFor([&] { return observer.interface()->isServiceRegistered(ours).value(); }))
        << "the instance never took its bus name";
    SelectionScriptPrints("client-data", WriteFile("src/client.txt", "c"));
    const int copied = Run({"--command", "2004"});
    const int refused = Run({"--command", "3003"});
    const std::string refusal = m_output;
    const int given =
        Run({"--command", "1001", "--", QString::fromStdString(WriteFile("src/handed.txt"))});
    instance.terminate();
    instance.waitForFinished(120000);
    EXPECT_EQ(copied, 0);
    EXPECT_EQ(Names(Path("two")), std::vector<std::string>{"instance.txt"});
    EXPECT_EQ(refused, 2);
    EXPECT_NE(refusal.find("does not offer command 3003"), std::string::npos) << refusal;
    EXPECT_EQ(given, 0);
    EXPECT_EQ(Names(Path("one")), std::vector<std::string>{"handed.txt"});
}

} // namespace
} // namespace ferrolet::test
