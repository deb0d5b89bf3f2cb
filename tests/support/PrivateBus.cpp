#include "PrivateBus.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <fstream>

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
    // The daemon prints its address once it listens; the stderr stays the test's.
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QString::fromStdString("--config-file=" + config), QStringLiteral("--nofork"),
                    QStringLiteral("--print-address")});
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(120000)) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
}

PrivateBus::~PrivateBus() {
    for (const QString& name : m_connections) {
        QDBusConnection::disconnectFromBus(name);
    }
    m_daemon.terminate();
    m_daemon.waitForFinished(120000);
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
