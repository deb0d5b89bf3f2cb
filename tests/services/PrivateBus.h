#pragma once

#include "ServiceFixture.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ferrolet::test {

// Runs the event loop until the condition holds or the time is up.
inline bool WaitFor(const std::function<bool()>& condition, int ms = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return condition();
}

// A session bus of the test's own (a real dbus-daemon), so the
// application's name can be owned here without meeting anything else
// running on the machine's bus.
class PrivateBusFixture : public ServiceFixture {
protected:
    static void SetUpTestSuite() {
        if (!QCoreApplication::instance()) {
            static int argc = 1;
            static char name[] = "services_tests";
            static char* argv[] = {name, nullptr};
            new QCoreApplication(argc, argv);
        }
    }

    void TearDown() override {
        for (const QString& name : m_connections) {
            QDBusConnection::disconnectFromBus(name);
        }
        if (m_daemon > 0) {
            kill(m_daemon, SIGTERM);
            waitpid(m_daemon, nullptr, 0);
        }
        ServiceFixture::TearDown();
    }

    // Starts dbus-daemon listening at a fixed socket in the private home;
    // serviceDir, when given, is where it finds activation files.
    QString StartBus(const std::string& serviceDir = {}) {
        const std::string config = WriteFile(
            "bus.conf",
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
            "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig><type>session</type><listen>unix:path=" +
                m_root + "/bus</listen>" +
                (serviceDir.empty() ? "" : "<servicedir>" + serviceDir + "</servicedir>") +
                "<policy context=\"default\"><allow send_destination=\"*\" "
                "eavesdrop=\"true\"/>"
                "<allow eavesdrop=\"true\"/><allow receive_sender=\"*\"/><allow own=\"*\"/>"
                "</policy></busconfig>\n");
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
        m_address = QString::fromStdString(address);
        return m_address;
    }

    QDBusConnection Connect(const QString& name) {
        m_connections << name;
        return QDBusConnection::connectToBus(m_address, name);
    }

    // The environment of a ferrolet started by the test: the private home,
    // the given bus, no display.
    QProcessEnvironment ChildEnvironment(const QString& busAddress) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        return env;
    }

    QString m_address;
    QStringList m_connections;
    pid_t m_daemon = -1;
};

} // namespace ferrolet::test
