#include "PrivateBus.h"
#include "services/ServicesAdaptor.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <gtest/gtest.h>

#include <filesystem>

namespace ferrolet::test {
namespace {

const QString kName = QStringLiteral("com.quorvane.Ferrolet");
const QString kObject = QStringLiteral("/com/quorvane/Ferrolet");

// The application's object with the services adaptor on a private bus,
// running requests against this test's home.
class ServicesBus : public PrivateBusFixture {
protected:
    void SetUp() override {
        PrivateBusFixture::SetUp();
        ASSERT_FALSE(StartBus().isEmpty()) << "dbus-daemon did not start";
        m_server = Connect(QStringLiteral("server"));
        m_client = Connect(QStringLiteral("client"));
        ASSERT_TRUE(m_server.isConnected() && m_client.isConnected());
        m_root = std::make_unique<QObject>();
        m_adaptor = new ServicesAdaptor(m_root.get(), m_server,
                                        [this](const QStringList& paths, const QString& userData) {
                                            m_trace << QStringLiteral("begin ") + userData;
                                            if (onRequest) {
                                                onRequest(userData);
                                            }
                                            Handle(paths, userData);
                                            m_trace << QStringLiteral("end ") + userData;
                                        });
        ASSERT_TRUE(
            m_server.registerObject(kObject, m_root.get(), QDBusConnection::ExportAdaptors));
        ASSERT_TRUE(m_server.registerService(kName));
    }

    void TearDown() override {
        m_server.unregisterObject(kObject);
        m_root.reset();
        // No copies may outlive the connections' closing.
        m_server = QDBusConnection(QString());
        m_client = QDBusConnection(QString());
        PrivateBusFixture::TearDown();
    }

    // Never a blocking call or a QDBusInterface (whose introspection
    // blocks): the adaptor answers from this very thread's event loop.
    static QDBusMessage Message() {
        return QDBusMessage::createMethodCall(kName, kObject,
                                              QString::fromLatin1(kServicesInterface),
                                              QStringLiteral("HandleMenuSelection"));
    }

    QDBusPendingCall Call(const QStringList& paths, const QString& userData) {
        QDBusMessage call = Message();
        call << paths << userData;
        return m_client.asyncCall(call);
    }

    QDBusConnection m_server{QString()};
    QDBusConnection m_client{QString()};
    std::unique_ptr<QObject> m_root;
    ServicesAdaptor* m_adaptor = nullptr;
    QStringList m_trace;
    std::function<void(const QString&)> onRequest;
};

TEST_F(ServicesBus, ACallMovesTheItemsAndIsAnsweredWhenDone) {
    const std::string a = WriteFile("in/a", "A");
    const std::string b = WriteFile("in/b", "B");
    QDBusPendingCall call = Call(Paths({a, b}), QStringLiteral("Move to Documents"));
    ASSERT_TRUE(WaitFor([&] { return call.isFinished(); }));
    EXPECT_FALSE(call.isError()) << call.error().message().toStdString();
    const std::string docs = FolderPath(StandardFolder::Documents);
    EXPECT_EQ(ReadFile(docs + "/a"), "A");
    EXPECT_EQ(ReadFile(docs + "/b"), "B");
    EXPECT_EQ(m_platform.revealed.size(), 2u);
    EXPECT_EQ(m_platform.sounds.size(), 1);

    // The method is there by its declared signature, and nothing runs under
    // a wrong one.
    QDBusMessage wrong = Message();
    wrong << QStringLiteral("/just/one/string") << QStringLiteral("Move to Documents");
    QDBusPendingCall refused = m_client.asyncCall(wrong);
    ASSERT_TRUE(WaitFor([&] { return refused.isFinished(); }));
    EXPECT_EQ(refused.error().type(), QDBusError::UnknownMethod);
}

TEST_F(ServicesBus, ASecondCallWaitsWhileTheFirstHoldsADialogOpen) {
    const std::string item = WriteFile("in/item");
    std::optional<QDBusPendingCall> second;
    bool secondSent = false;
    // The first request spins a nested event loop, as a modal folder dialog
    // does, and the second call arrives during it.
    onRequest = [&](const QString& userData) {
        if (userData != QStringLiteral("Move to Select") || secondSent) {
            return;
        }
        secondSent = true;
        second.emplace(Call(Paths({item}), QStringLiteral("Open Move Service Window")));
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 500) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
        EXPECT_FALSE(second->isFinished());
    };
    int opened = 0;
    m_window.openAtMouse = [&] { ++opened; };
    QDBusPendingCall first = Call(Paths({item}), QStringLiteral("Move to Select"));
    ASSERT_TRUE(WaitFor([&] { return first.isFinished() && secondSent && second->isFinished(); }));
    EXPECT_EQ(m_trace,
              (QStringList{"begin Move to Select", "end Move to Select",
                           "begin Open Move Service Window", "end Open Move Service Window"}));
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(first.isError());
    EXPECT_FALSE(second->isError());
}

TEST_F(ServicesBus, TenThousandPathsInOneCall) {
    const std::string folder = MakeDir("many");
    QStringList paths;
    for (int i = 0; i < 10000; ++i) {
        paths << QString::fromStdString(WriteFile("many/item-" + std::to_string(i), "x"));
    }
    QDBusPendingCall call = Call(paths, QStringLiteral("Move to Public"));
    ASSERT_TRUE(WaitFor([&] { return call.isFinished(); }, 120000));
    EXPECT_FALSE(call.isError()) << call.error().message().toStdString();
    EXPECT_TRUE(std::filesystem::is_empty(folder));
    EXPECT_TRUE(Exists(FolderPath(StandardFolder::Public) + "/item-9999"));
    EXPECT_EQ(m_platform.sounds.size(), 1);
}

TEST_F(ServicesBus, ACallerThatLeavesMidCallLeavesTheRequestToRun) {
    const std::string item = WriteFile("in/item", "i");
    // The caller goes away once its request has begun.
    bool left = false;
    onRequest = [&](const QString&) {
        if (!left) {
            QDBusConnection::disconnectFromBus(QStringLiteral("leaving"));
            left = true;
        }
    };
    QDBusMessage call =
        QDBusMessage::createMethodCall(kName, kObject, QString::fromLatin1(kServicesInterface),
                                       QStringLiteral("HandleMenuSelection"));
    call << Paths({item}) << QStringLiteral("Move to Desktop");
    Connect(QStringLiteral("leaving")).asyncCall(call);
    EXPECT_TRUE(WaitFor([&] { return Exists(FolderPath(StandardFolder::Desktop) + "/item"); }));
    EXPECT_FALSE(Exists(item));
    // The instance still answers the next caller.
    QDBusPendingCall next = Call({}, QStringLiteral("Move to Desktop"));
    ASSERT_TRUE(WaitFor([&] { return next.isFinished(); }));
    EXPECT_FALSE(next.isError());
}

// The program's --service delivering to the instance on the bus: relative
// paths are made absolute against its working folder, and a name that is
// not UTF-8 arrives as an unusable item instead of as some other name.
TEST_F(ServicesBus, TheCommandLineDeliversToTheRunningInstance) {
    MakeDir("work");
    WriteFile("work/rel file", "r");
    const std::string odd = WriteFile("work/caf\xE9", "latin-1 name");
    // Spawned with raw bytes: the odd name first, so its line is logged
    // while nothing has been moved yet.
    std::vector<std::string> argv = {FERROLET_BINARY, "--service", "Move to Documents", "caf\xE9",
                                     "rel file"};
    pid_t pid = -1;
    std::vector<char*> raw;
    for (std::string& s : argv) {
        raw.push_back(s.data());
    }
    raw.push_back(nullptr);
    const QProcessEnvironment env = ChildEnvironment(m_address);
    std::vector<std::string> envStrings;
    for (const QString& key : env.keys()) {
        envStrings.push_back((key + "=" + env.value(key)).toStdString());
    }
    std::vector<char*> rawEnv;
    for (std::string& s : envStrings) {
        rawEnv.push_back(s.data());
    }
    rawEnv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, Path("work").c_str());
    ASSERT_EQ(posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), rawEnv.data()), 0);
    posix_spawn_file_actions_destroy(&actions);
    int status = -1;
    bool exited = false;
    ASSERT_TRUE(
        WaitFor([&] { return exited || (exited = waitpid(pid, &status, WNOHANG) == pid); }));
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    EXPECT_EQ(ReadFile(FolderPath(StandardFolder::Documents) + "/rel file"), "r");
    EXPECT_EQ(ReadFile(odd), "latin-1 name");
    EXPECT_EQ(NotMovedLines(), 1);
}

} // namespace
} // namespace ferrolet::test

namespace ferrolet::test {
namespace {

using ServicesActivation = PrivateBusFixture;

// With no instance running, the bus starts one through the activation file
// and the request is delivered to it once it owns the name.
TEST_F(ServicesActivation, TheCommandLineStartsTheApplicationThroughTheBus) {
    const std::string address = "unix:path=" + Path("bus");
    const char* saved = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string savedAddress = saved ? saved : "";
    // The started instance inherits the daemon's environment.
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
    const QString started = StartBus(FERROLET_BUILD_SHARE "/dbus-1/services");
    if (saved) {
        setenv("DBUS_SESSION_BUS_ADDRESS", savedAddress.c_str(), 1);
    } else {
        unsetenv("DBUS_SESSION_BUS_ADDRESS");
    }
    ASSERT_FALSE(started.isEmpty());
    const std::string item = WriteFile("in/started", "s");

    QProcess client;
    client.setProcessEnvironment(ChildEnvironment(QString::fromStdString(address)));
    client.start(QStringLiteral(FERROLET_BINARY),
                 {QStringLiteral("--service"), QStringLiteral("Move to Documents"),
                  QString::fromStdString(item)});
    ASSERT_TRUE(client.waitForFinished(60000));
    EXPECT_EQ(client.exitCode(), 0) << client.readAllStandardError().toStdString();

    QDBusConnection bus = Connect(QStringLiteral("observer"));
    QDBusMessage ask = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"));
    ask << QStringLiteral("com.quorvane.Ferrolet");
    const QDBusMessage owner = bus.call(ask);
    ASSERT_EQ(owner.type(), QDBusMessage::ReplyMessage);
    const pid_t instance = static_cast<pid_t>(owner.arguments().value(0).toUInt());
    ASSERT_GT(instance, 0);
    kill(instance, SIGTERM);

    EXPECT_FALSE(Exists(item));
    EXPECT_EQ(ReadFile(Path("home/Documents/started")), "s");
}

} // namespace
} // namespace ferrolet::test
