#include "filemanager/FileManagerBridge.h"
#include "FakeFileManager.h"
#include "FakeNotificationServer.h"
#include "TestEnvironment.h"
#include "desktop/DesktopPlatform.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QElapsedTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ferrolet {
namespace {

// Runs the event loop until the condition holds or ten seconds pass.
bool WaitFor(const std::function<bool()>& condition) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return condition();
}

struct Launch {
    QString program;
    QStringList args;
};

// A private message bus of our own, so what owns or can own the file
// manager's name is up to the test and not to the machine.
class BusFixture : public test::TempHome {
protected:
    static void SetUpTestSuite() {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "finder_tests";
            static char* argv[] = {name, nullptr};
            new QCoreApplication(argc, argv);
        }
    }

    void SetUp() override {
        TempHome::SetUp();
        SetFileManagerFallbackLauncher([this](const QString& program, const QStringList& args) {
            m_launches.push_back({program, args});
        });
    }

    void TearDown() override {
        SetFileManagerFallbackLauncher({});
        for (const QString& name : m_connections) {
            QDBusConnection::disconnectFromBus(name);
        }
        if (m_daemon > 0) {
            kill(m_daemon, SIGTERM);
            waitpid(m_daemon, nullptr, 0);
        }
        TempHome::TearDown();
    }

    // Starts dbus-daemon; serviceExec, when given, makes the file manager's
    // name activatable with that command.
    QString StartBus(const std::string& serviceExec = {}) {
        std::string serviceDir;
        if (!serviceExec.empty()) {
            serviceDir = MakeDir("services");
            WriteFile("services/fm.service",
                      "[D-BUS Service]\nName=" + std::string(kFileManagerService) +
                          "\nExec=" + serviceExec + "\n");
        }
        const std::string config = WriteFile(
            "bus.conf",
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
            "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig><type>session</type><listen>unix:dir=" +
                m_root + "</listen>" +
                (serviceDir.empty() ? "" : "<servicedir>" + serviceDir + "</servicedir>") +
                "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            return {};
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
        std::string configArg = "--config-file=" + config;
        char* argv[] = {const_cast<char*>("dbus-daemon"), configArg.data(),
                        const_cast<char*>("--nofork"), const_cast<char*>("--print-address"),
                        nullptr};
        const int rc = posix_spawnp(&m_daemon, "dbus-daemon", &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        close(fds[1]);
        std::string address;
        char c;
        while (rc == 0 && read(fds[0], &c, 1) == 1 && c != '\n') {
            address += c;
        }
        close(fds[0]);
        return QString::fromStdString(address);
    }

    QDBusConnection Connect(const QString& address, const QString& name) {
        m_connections << name;
        return QDBusConnection::connectToBus(address, name);
    }

    std::vector<Launch> m_launches;
    QStringList m_connections;
    pid_t m_daemon = -1;
};

TEST_F(BusFixture, ShowItemsReachesTheFileManagerWithoutWaitingForIt) {
    const QString address = StartBus();
    ASSERT_FALSE(address.isEmpty()) << "dbus-daemon did not start";
    QDBusConnection caller = Connect(address, QStringLiteral("caller"));
    QDBusConnection fmBus = Connect(address, QStringLiteral("file-manager"));
    ASSERT_TRUE(caller.isConnected());
    ASSERT_TRUE(fmBus.isConnected());
    EXPECT_EQ(FindFileManager(caller), ESRCH);

    test::FakeFileManager fm;
    ASSERT_TRUE(fmBus.registerObject(QString::fromLatin1(kFileManagerPath), &fm,
                                     QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(fmBus.registerService(QString::fromLatin1(kFileManagerService)));
    EXPECT_EQ(FindFileManager(caller), 0);

    const std::string item = WriteFile("two words/caf\xC3\xA9 \"1\"#.txt");
    const std::string folder = MakeDir("a folder");
    ShowItems({item, "/tmp/raw\xFF"}, caller);
    // Sent and forgotten: nothing has arrived before the event loop runs.
    EXPECT_TRUE(fm.shownItems.isEmpty());
    ASSERT_TRUE(WaitFor([&] { return !fm.shownItems.isEmpty(); }));
    const QString root = QString::fromStdString(m_root);
    EXPECT_EQ(fm.shownItems.front(),
              (QStringList{"file://" + root + "/two%20words/caf%C3%A9%20%221%22%23.txt",
                           QStringLiteral("file:///tmp/raw%FF")}));

    ShowFolders({folder}, caller);
    ASSERT_TRUE(WaitFor([&] { return !fm.shownFolders.isEmpty(); }));
    EXPECT_EQ(fm.shownFolders.front(), QStringList{"file://" + root + "/a%20folder"});
    // Give a stray fallback the time to show itself: there must be none.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    EXPECT_TRUE(m_launches.empty());
}

TEST_F(BusFixture, WithNoFileManagerTheFolderOpensWithXdgOpen) {
    const QString address = StartBus();
    ASSERT_FALSE(address.isEmpty()) << "dbus-daemon did not start";
    QDBusConnection caller = Connect(address, QStringLiteral("caller"));
    ASSERT_TRUE(caller.isConnected());
    EXPECT_EQ(FindFileManager(caller), ESRCH);

    const std::string a = WriteFile("dir/a.txt");
    const std::string b = WriteFile("dir/b.txt");
    const std::string c = WriteFile("other/c.txt");
    ShowItems({a, b, c}, caller);
    ASSERT_TRUE(WaitFor([&] { return m_launches.size() >= 2; }));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    ASSERT_EQ(m_launches.size(), 2u) << "one xdg-open per parent folder";
    EXPECT_EQ(m_launches[0].program, QStringLiteral("xdg-open"));
    EXPECT_EQ(m_launches[0].args, QStringList{QString::fromStdString(Path("dir"))});
    EXPECT_EQ(m_launches[1].args, QStringList{QString::fromStdString(Path("other"))});

    m_launches.clear();
    ShowFolders({Path("dir")}, caller);
    ASSERT_TRUE(WaitFor([&] { return !m_launches.empty(); }));
    EXPECT_EQ(m_launches[0].args, QStringList{QString::fromStdString(Path("dir"))});

    // No bus at all: straight to the fallback.
    m_launches.clear();
    ShowItems({a}, QDBusConnection(QStringLiteral("never-connected")));
    ASSERT_EQ(m_launches.size(), 1u);
    EXPECT_EQ(m_launches[0].args, QStringList{QString::fromStdString(Path("dir"))});
    EXPECT_EQ(FindFileManager(QDBusConnection(QStringLiteral("never-connected"))), ESRCH);
}

TEST_F(BusFixture, AnActivatableFileManagerThatFailsToStartFallsBack) {
    const QString address = StartBus("/bin/false");
    ASSERT_FALSE(address.isEmpty()) << "dbus-daemon did not start";
    QDBusConnection caller = Connect(address, QStringLiteral("caller"));
    ASSERT_TRUE(caller.isConnected());
    // The bus can start one, so there is a file manager as far as we can tell.
    EXPECT_EQ(FindFileManager(caller), 0);
    const std::string a = WriteFile("dir/a.txt");
    ShowItems({a}, caller);
    ASSERT_TRUE(WaitFor([&] { return !m_launches.empty(); }));
    EXPECT_EQ(m_launches[0].args, QStringList{QString::fromStdString(Path("dir"))});
}

// The session bus the suite runs in, through the desktop platform's reveal.
TEST_F(BusFixture, RevealOnTheSessionBusSelectsTheItem) {
    if (!getenv("DBUS_SESSION_BUS_ADDRESS") || !QDBusConnection::sessionBus().isConnected()) {
        GTEST_SKIP() << "no session bus (the suite runs under dbus-run-session)";
    }
    QDBusConnection fmBus = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                          QStringLiteral("session-file-manager"));
    m_connections << QStringLiteral("session-file-manager");
    test::FakeFileManager fm;
    ASSERT_TRUE(fmBus.registerObject(QString::fromLatin1(kFileManagerPath), &fm,
                                     QDBusConnection::ExportAllSlots));
    if (!fmBus.registerService(QString::fromLatin1(kFileManagerService))) {
        GTEST_SKIP() << "a file manager already owns the name on this session bus";
    }
    EXPECT_EQ(FindFileManager(), 0);
    DesktopPlatform platform;
    // A run's twenty items: one request, one window.
    std::vector<std::string> items;
    QStringList uris;
    for (int i = 0; i < 20; ++i) {
        items.push_back(WriteFile("moved/item" + std::to_string(i) + ".txt"));
        uris << FileUriFromPath(items.back());
    }
    platform.RevealItems(items);
    ASSERT_TRUE(WaitFor([&] { return !fm.shownItems.isEmpty(); }));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    ASSERT_EQ(fm.shownItems.size(), 1);
    EXPECT_EQ(fm.shownItems.front(), uris);
    platform.OpenFolder(Path("moved"));
    ASSERT_TRUE(WaitFor([&] { return !fm.shownFolders.isEmpty(); }));
    EXPECT_EQ(fm.shownFolders.front(), QStringList{FileUriFromPath(Path("moved"))});
    platform.OpenItem(Path("moved"));
    ASSERT_TRUE(WaitFor([&] { return fm.shownFolders.size() == 2; }));
    fmBus.unregisterService(QString::fromLatin1(kFileManagerService));
    EXPECT_TRUE(m_launches.empty());
}

// Without a file manager the fallback really starts xdg-open (a recording
// stand-in on PATH), once per distinct folder however many items there are.
TEST_F(BusFixture, WithoutAFileManagerXdgOpenStartsOncePerFolder) {
    SetFileManagerFallbackLauncher({});
    const std::string record = Path("xdg-open.log");
    const std::string bin = MakeDir("bin");
    WriteFile("bin/xdg-open", "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + record + "'\n");
    ASSERT_EQ(chmod((bin + "/xdg-open").c_str(), 0755), 0);
    const std::string oldPath = getenv("PATH") ? getenv("PATH") : "";
    setenv("PATH", (bin + ":" + oldPath).c_str(), 1);
    const QString address = StartBus();
    ASSERT_FALSE(address.isEmpty()) << "dbus-daemon did not start";
    QDBusConnection caller = Connect(address, QStringLiteral("caller"));
    std::vector<std::string> items;
    for (int i = 0; i < 30; ++i) {
        items.push_back(WriteFile((i % 3 == 0 ? "one/" : "two/") + std::to_string(i)));
    }
    ShowItems(items, caller);
    auto lines = [&] {
        std::ifstream in(record);
        std::vector<std::string> seen;
        for (std::string line; std::getline(in, line);) {
            seen.push_back(line);
        }
        std::sort(seen.begin(), seen.end());
        return seen;
    };
    const bool both = WaitFor([&] { return lines().size() >= 2; });
    setenv("PATH", oldPath.c_str(), 1);
    ASSERT_TRUE(both);
    QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
    EXPECT_EQ(lines(), (std::vector<std::string>{Path("one"), Path("two")}));
}

// A failure notice goes to the notification server on the session bus and
// is never waited for: the server here never answers.
TEST_F(BusFixture, NotifyReachesTheNotificationServerWithoutWaitingForIt) {
    if (!getenv("DBUS_SESSION_BUS_ADDRESS") || !QDBusConnection::sessionBus().isConnected()) {
        GTEST_SKIP() << "no session bus (the suite runs under dbus-run-session)";
    }
    QDBusConnection serverBus = QDBusConnection::connectToBus(
        QDBusConnection::SessionBus, QStringLiteral("session-notifications"));
    m_connections << QStringLiteral("session-notifications");
    test::FakeNotificationServer server;
    ASSERT_TRUE(serverBus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                         QDBusConnection::ExportAllSlots));
    if (!serverBus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        GTEST_SKIP() << "a notification server already runs on this session bus";
    }
    DesktopPlatform platform;
    platform.Notify(QStringLiteral("Move To: 1 of 1 item not moved"),
                    QStringLiteral("Destination not found: Projects"));
    platform.Notify(QStringLiteral("Copy To: 1 of 2 items not copied"), QStringLiteral("x"));
    // The server runs in this thread: had Notify waited for its answer, it
    // could not have returned before the event loop ran.
    EXPECT_TRUE(server.shown.isEmpty());
    ASSERT_TRUE(WaitFor([&] { return server.shown.size() == 2; }));
    EXPECT_EQ(server.shown.front(),
              QStringLiteral("Move To: 1 of 1 item not moved\nDestination not found: Projects"));
    serverBus.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
}

} // namespace
} // namespace ferrolet
