// The services on a private session bus: the adaptor on the application's
// name, the real program delivering to it or started by the bus, and the
// real program's read-only entry points in a fresh home.
#include "PrivateBus.h"
#include "ServiceFixture.h"
#include "services/ServicesAdaptor.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCall>
#include <QElapsedTimer>
#include <QProcess>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <set>

namespace ferrolet::test {
namespace {

const QString kName = QStringLiteral("com.quorvane.Ferrolet");
const QString kObject = QStringLiteral("/com/quorvane/Ferrolet");

class ServicesBus : public ServiceFixture {
protected:
    void SetUp() override {
        ServiceFixture::SetUp();
        m_bus = std::make_unique<PrivateBus>(m_root);
        ASSERT_TRUE(m_bus->IsUp()) << "dbus-daemon did not start";
        m_server = m_bus->Connect(QStringLiteral("server"));
        m_client = m_bus->Connect(QStringLiteral("client"));
        m_object = std::make_unique<QObject>();
        new ServicesAdaptor(m_object.get(), m_server,
                            [this](const QStringList& paths, const QString& userData) {
                                m_trace << "begin " + userData;
                                if (m_onRequest) {
                                    m_onRequest(userData);
                                }
                                Handle(paths, userData);
                                m_trace << "end " + userData;
                            });
        ASSERT_TRUE(
            m_server.registerObject(kObject, m_object.get(), QDBusConnection::ExportAdaptors));
        ASSERT_TRUE(m_server.registerService(kName));
    }
    void TearDown() override {
        m_server.unregisterObject(kObject);
        m_object.reset();
        m_server = m_client = QDBusConnection(QString());
        m_bus.reset();
        ServiceFixture::TearDown();
    }
    // Never a blocking call: the adaptor answers from this thread's loop.
    QDBusPendingCall Call(const QStringList& paths, const QString& userData,
                          const QDBusConnection* via = nullptr) {
        QDBusMessage request = QDBusMessage::createMethodCall(
            kName, kObject, QString::fromLatin1(kServicesInterface), "HandleMenuSelection");
        return (via ? *via : m_client).asyncCall(request << paths << userData);
    }
    std::unique_ptr<PrivateBus> m_bus;
    QDBusConnection m_server{QString()};
    QDBusConnection m_client{QString()};
    std::unique_ptr<QObject> m_object;
    QStringList m_trace;
    std::function<void(const QString&)> m_onRequest;
};

TEST_F(ServicesBus, ACallerMayLeaveAndASecondCallWaitsForTheFirst) {
    // A caller that leaves once its request began leaves it to run; the
    // calls below find the instance answering.
    m_onRequest = [&](const QString&) {
        QDBusConnection::disconnectFromBus(QStringLiteral("leaving"));
    };
    const QDBusConnection leaving = m_bus->Connect(QStringLiteral("leaving"));
    Call(Paths({WriteFile("in/item")}), QStringLiteral("Move to Desktop"), &leaving);
    const std::string item = FolderPath(StandardFolder::Desktop) + "/item";
    ASSERT_TRUE(WaitFor([&] { return Exists(item); }));
    m_trace.clear();

    std::optional<QDBusPendingCall> second;
    // The first request spins a nested loop, as a modal folder dialog does,
    // and the second call arrives during it.
    m_onRequest = [&](const QString& userData) {
        if (userData == QStringLiteral("Move to Select") && !second) {
            second.emplace(Call(Paths({item}), QStringLiteral("Open Move Service Window")));
            QElapsedTimer timer;
            timer.start();
            while (timer.elapsed() < 300) {
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            }
            EXPECT_FALSE(second->isFinished());
        }
    };
    int opened = 0;
    m_window.openAtMouse = [&] { ++opened; };
    QDBusPendingCall first = Call(Paths({item}), QStringLiteral("Move to Select"));
    ASSERT_TRUE(WaitFor([&] { return first.isFinished() && second && second->isFinished(); }));
    EXPECT_FALSE(first.isError() || second->isError());
    EXPECT_EQ(m_trace,
              (QStringList{"begin Move to Select", "end Move to Select",
                           "begin Open Move Service Window", "end Open Move Service Window"}));
    EXPECT_EQ(opened, 1);
}

// The real program with no instance on its bus.
class ProgramOnABus : public ServiceFixture {
protected:
    int Run(const QStringList& args, const PrivateBus& bus) {
        QProcess run;
        run.setProcessEnvironment(bus.ChildEnvironment());
        run.setWorkingDirectory(QString::fromStdString(MakeDir("in")));
        run.start(QStringLiteral(FERROLET_BINARY), args);
        EXPECT_TRUE(run.waitForFinished(120000)) << args.join(' ').toStdString() << " hangs";
        m_stderr = run.readAllStandardError().toStdString();
        return run.exitCode();
    }
    std::set<std::string> Folders() const {
        std::set<std::string> folders;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(Path("home"))) {
            if (entry.is_directory()) {
                folders.insert(entry.path());
            }
        }
        return folders;
    }
    std::string m_stderr;
};

// --service delivers to the instance the bus starts, a relative path made
// absolute against the caller's working folder (a name that is not UTF-8
// becomes an unusable item: ServiceArgumentPath in HandleMenuSelectionTest).
TEST_F(ProgramOnABus, TheBusStartsTheApplicationForARequest) {
    // The instance the bus starts inherits the daemon's environment.
    SetEnv("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + Path("bus"));
    PrivateBus bus(m_root, FERROLET_BUILD_SHARE "/dbus-1/services");
    ASSERT_TRUE(bus.IsUp());
    const std::string item = WriteFile("in/started", "s");
    EXPECT_EQ(Run({"--service", "Move to Documents", "started"}, bus), 0) << m_stderr;
    QDBusMessage ask =
        QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                       "org.freedesktop.DBus", "GetConnectionUnixProcessID");
    ask << kName;
    const QDBusMessage owner = bus.Connect(QStringLiteral("observer")).call(ask);
    ASSERT_EQ(owner.type(), QDBusMessage::ReplyMessage);
    kill(static_cast<pid_t>(owner.arguments().value(0).toUInt()), SIGTERM);
    EXPECT_FALSE(Exists(item));
    EXPECT_EQ(ReadFile(Path("home/Documents/started")), "s");
}

// The home is the user's: menus, the settings report and a tray start make
// no folders. (A settings path that is no regular file: SettingsStoreTest.)
TEST_F(ProgramOnABus, ReadOnlyEntryPointsMakeNoFolders) {
    PrivateBus bus(m_root);
    ASSERT_TRUE(bus.IsUp());
    const std::set<std::string> before = Folders();
    for (const QStringList& args : {QStringList{"--menu"}, QStringList{"--menu", "--move-service"},
                                    QStringList{"--settings"}}) {
        EXPECT_EQ(Run(args, bus), 0) << args.join(' ').toStdString();
        EXPECT_EQ(Folders(), before) << args.join(' ').toStdString();
    }
    QProcess tray;
    tray.setProcessEnvironment(bus.ChildEnvironment());
    tray.start(QStringLiteral(FERROLET_BINARY), {});
    QDBusConnection observer = bus.Connect(QStringLiteral("observer"));
    ASSERT_TRUE(WaitFor([&] { return observer.interface()->isServiceRegistered(kName).value(); }));
    tray.terminate();
    ASSERT_TRUE(tray.waitForFinished(120000));
    EXPECT_EQ(Folders(), before);
}

} // namespace
} // namespace ferrolet::test
