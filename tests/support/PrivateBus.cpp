#include "PrivateBus.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <csignal>
#include <fcntl.h>
#include <fstream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace ferrolet::test {

bool WaitFor(const std::function<bool()>& condition, int deadlineMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < deadlineMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return condition();
}

void EnsureCoreApplication() {
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "ferrolet-tests";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv);
    }
}

PrivateBus::PrivateBus(const std::string& folder, const std::string& serviceDir) {
    EnsureCoreApplication();
    const std::string config = folder + "/bus.conf";
    std::ofstream(config)
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
           "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>session</type><listen>unix:path="
        << folder << "/bus</listen>"
        << (serviceDir.empty() ? "" : "<servicedir>" + serviceDir + "</servicedir>")
        << "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
           "<allow eavesdrop=\"true\"/><allow receive_sender=\"*\"/><allow own=\"*\"/>"
           "</policy></busconfig>\n";
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    std::string configArg = "--config-file=" + config;
    char* argv[] = {const_cast<char*>("dbus-daemon"), configArg.data(),
                    const_cast<char*>("--nofork"), const_cast<char*>("--print-address"), nullptr};
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
}

PrivateBus::~PrivateBus() {
    for (const QString& name : m_connections) {
        QDBusConnection::disconnectFromBus(name);
    }
    if (m_daemon > 0) {
        kill(m_daemon, SIGTERM);
        waitpid(m_daemon, nullptr, 0);
    }
}

QDBusConnection PrivateBus::Connect(const QString& name) {
    m_connections << name;
    return QDBusConnection::connectToBus(m_address, name);
}

QProcessEnvironment PrivateBus::ChildEnvironment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

} // namespace ferrolet::test
