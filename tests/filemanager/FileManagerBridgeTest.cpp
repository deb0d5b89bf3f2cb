// Reveal, Open Folder and notices against real buses: a private bus where
// the test decides what owns the file manager's name, and the session bus
// through the desktop platform.
#include "filemanager/FileManagerBridge.h"
#include "FakeDesktopServices.h"
#include "PrivateBus.h"
#include "TestEnvironment.h"
#include "desktop/DesktopPlatform.h"
#include "desktop/ThemeSound.h"

namespace ferrolet::test {
namespace {

const QString kFmService = QString::fromLatin1(kFileManagerService);
const QString kFmPath = QString::fromLatin1(kFileManagerPath);

class Bridge : public TempHome {
protected:
    void SetUp() override {
        TempHome::SetUp();
        EnsureCoreApplication();
        SetFileManagerFallbackLauncher([this](const QString& program, const QStringList& args) {
            m_launches.push_back(program + " " + args.join(' '));
        });
    }
    void TearDown() override {
        SetFileManagerFallbackLauncher({});
        TempHome::TearDown();
    }
    QString Opens(const std::string& folder) {
        return "xdg-open " + QString::fromStdString(Path(folder));
    }
    QStringList m_launches;
};

TEST_F(Bridge, ShowItemsReachesTheFileManagerWithoutWaitingForItOrXdgOpen) {
    PrivateBus bus(m_root);
    ASSERT_TRUE(bus.IsUp()) << "dbus-daemon did not start";
    QDBusConnection caller = bus.Connect(QStringLiteral("caller"));
    QDBusConnection fmBus = bus.Connect(QStringLiteral("file-manager"));
    EXPECT_EQ(FindFileManager(caller), ESRCH);
    // None yet: each folder opens once with xdg-open.
    ShowItems({WriteFile("dir/a.txt"), WriteFile("dir/b.txt"), WriteFile("other/c.txt")}, caller);
    ASSERT_TRUE(WaitFor([&] { return m_launches.size() >= 2; }));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    EXPECT_EQ(m_launches, (QStringList{Opens("dir"), Opens("other")}));
    m_launches.clear();
    ShowFolders({Path("dir")}, caller);
    ASSERT_TRUE(WaitFor([&] { return !m_launches.empty(); }));
    EXPECT_EQ(m_launches, QStringList{Opens("dir")});
    m_launches.clear();

    FakeFileManager fm;
    ASSERT_TRUE(fmBus.registerObject(kFmPath, &fm, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(fmBus.registerService(kFmService));
    EXPECT_EQ(FindFileManager(caller), 0);

    ShowItems({WriteFile("two words/caf\xC3\xA9 \"1\"#.txt"), "/tmp/raw\xFF"}, caller);
    EXPECT_TRUE(fm.shownItems.isEmpty()) << "sent and forgotten: nothing before the loop runs";
    ASSERT_TRUE(WaitFor([&] { return !fm.shownItems.isEmpty(); }));
    const QString root = QString::fromStdString(m_root);
    EXPECT_EQ(fm.shownItems.front(),
              (QStringList{"file://" + root + "/two%20words/caf%C3%A9%20%221%22%23.txt",
                           QStringLiteral("file:///tmp/raw%FF")}));
    // Thunar opens a window per item named: it gets one item per folder.
    const std::vector<std::string> three = {Path("x/1"), Path("x/2"), Path("y/3")};
    ShowItems(three, caller);
    ASSERT_TRUE(WaitFor([&] { return fm.shownItems.size() == 2; }));
    EXPECT_EQ(fm.shownItems.back().size(), 3);
    ASSERT_TRUE(fmBus.registerService(QStringLiteral("org.xfce.FileManager")));
    ShowItems(three, caller);
    ASSERT_TRUE(WaitFor([&] { return fm.shownItems.size() == 3; }));
    EXPECT_EQ(fm.shownItems.back(),
              (QStringList{"file://" + root + "/x/1", "file://" + root + "/y/3"}));
    ShowFolders({MakeDir("a folder")}, caller);
    ASSERT_TRUE(WaitFor([&] { return !fm.shownFolders.isEmpty(); }));
    EXPECT_EQ(fm.shownFolders.front(), QStringList{"file://" + root + "/a%20folder"});
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    EXPECT_TRUE(m_launches.empty()) << "a fallback ran beside the file manager";
}

TEST_F(Bridge, WithNoBusOrAFileManagerThatFailsToStartXdgOpenShowsTheFolder) {
    const std::string a = WriteFile("dir/a.txt");
    // No bus at all: straight to the fallback.
    const QDBusConnection none(QStringLiteral("never-connected"));
    EXPECT_EQ(FindFileManager(none), ESRCH);
    ShowItems({a}, none);
    EXPECT_EQ(m_launches, QStringList{Opens("dir")});

    // A bus that can start a file manager which then fails to start.
    m_launches.clear();
    WriteFile("services/fm.service",
              std::string("[D-BUS Service]\nName=") + kFileManagerService + "\nExec=/bin/false\n");
    PrivateBus activating(MakeDir("activating-bus"), Path("services"));
    QDBusConnection caller = activating.Connect(QStringLiteral("activating-caller"));
    EXPECT_EQ(FindFileManager(caller), 0) << "startable counts as there";
    ShowItems({a}, caller);
    ASSERT_TRUE(WaitFor([&] { return !m_launches.empty(); }));
    EXPECT_EQ(m_launches, QStringList{Opens("dir")});
}

// The desktop platform on the suite's session bus: a run's items in one
// ShowItems, folders shown, and notices sent without waiting for the server.
TEST_F(Bridge, DesktopPlatformOnTheSessionBus) {
    if (!getenv("DBUS_SESSION_BUS_ADDRESS") || !QDBusConnection::sessionBus().isConnected()) {
        GTEST_SKIP() << "no session bus (the suite runs under dbus-run-session)";
    }
    QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fakes"));
    FakeFileManager fm;
    FakeNotificationServer notices;
    const QString noticeName = QStringLiteral("org.freedesktop.Notifications");
    ASSERT_TRUE(bus.registerObject(kFmPath, &fm, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &notices,
                                   QDBusConnection::ExportAllSlots));
    if (!bus.registerService(kFmService) || !bus.registerService(noticeName)) {
        QDBusConnection::disconnectFromBus(QStringLiteral("fakes"));
        GTEST_SKIP() << "a file manager or notification server already runs on this bus";
    }
    DesktopPlatform platform;
    const std::vector<std::string> items = {WriteFile("moved/a.txt"), WriteFile("moved/b.txt")};
    platform.RevealItems(items);
    platform.OpenFolder(Path("moved"));
    platform.OpenItem(Path("moved"));
    platform.Notify(QStringLiteral("Move To: 1 of 1 item not moved"), QStringLiteral("gone"));
    platform.Notify(QStringLiteral("Copy To: 1 of 2 items not copied"), QStringLiteral("x"));
    EXPECT_TRUE(notices.shown.isEmpty()) << "Notify waited for the server";
    ASSERT_TRUE(WaitFor([&] { return fm.shownFolders.size() == 2 && notices.shown.size() == 2; }));
    QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
    const QStringList uris = {FileUriFromPath(items[0]), FileUriFromPath(items[1])};
    EXPECT_EQ(fm.shownItems, QList<QStringList>{uris}) << "one request for the whole run";
    EXPECT_EQ(fm.shownFolders.front(), QStringList{FileUriFromPath(Path("moved"))});
    EXPECT_EQ(notices.shown.front(), QStringLiteral("Move To: 1 of 1 item not moved\ngone"));
    bus.unregisterService(kFmService);
    bus.unregisterService(noticeName);
    QDBusConnection::disconnectFromBus(QStringLiteral("fakes"));
    EXPECT_TRUE(m_launches.empty());
}

TEST_F(Bridge, ThemeSoundsByNameAndBeepsNeverWait) {
    const std::string folder = MakeDir("theme");
    for (const char* file : {"complete.oga", "complete.wav", "bell.ogg", "only.wav"}) {
        WriteFile(std::string("theme/") + file);
    }
    MakeDir("theme/folder.oga");
    WriteFile("outside.oga");
    EXPECT_EQ(ThemeSoundFile(QStringLiteral("complete"), folder), folder + "/complete.oga");
    EXPECT_EQ(ThemeSoundFile(QStringLiteral("bell"), folder), folder + "/bell.ogg");
    EXPECT_EQ(ThemeSoundFile(QStringLiteral("only"), folder), folder + "/only.wav");
    for (const char* name :
         {"", "missing", "folder", "../outside", "..", ".", "/etc/passwd", "complete.oga"}) {
        EXPECT_EQ(ThemeSoundFile(QString::fromUtf8(name), folder), "") << name;
    }
    EXPECT_NE(ThemeSoundFile(QStringLiteral("complete")), "") << "the installed theme";

    DesktopPlatform platform;
    int bells = 0;
    platform.SetDisplayBell([&] { ++bells; });
    platform.Beep();
    platform.Beep();
    // The theme's bell with a sound card; the display's bell without one.
    EXPECT_TRUE(bells == 0 || bells == 2) << bells;
    platform.PlaySound(QStringLiteral("no-such-sound"));
    platform.PlaySound(QStringLiteral("complete"));
}

} // namespace
} // namespace ferrolet::test
