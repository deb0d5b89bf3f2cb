#pragma once

#include <QCoreApplication>
#include <QDBusConnection>
#include <QProcess>
#include <QStringList>

#include <functional>
#include <string>

namespace ferrolet::test {

// Turns the event loop until the condition holds or the deadline passes. The
// deadline only stops a hung test: conditions are met long before it, even
// on a loaded machine.
bool WaitFor(const std::function<bool()>& condition, int deadlineMs = 120000);

// Makes the QCoreApplication that Qt's bus support needs, once per process.
void EnsureCoreApplication();

// A session bus of the test's own (a real dbus-daemon listening in folder),
// so what owns or may be started for a name is up to the test and not to
// the machine. Stopped, with its connections, when destroyed.
class PrivateBus {
public:
    // serviceDir, when given, is where the bus finds activation files.
    explicit PrivateBus(const std::string& folder, const std::string& serviceDir = {});
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool IsUp() const { return !m_address.isEmpty(); }
    QDBusConnection Connect(const QString& name);
    // The environment of a ferrolet started by a test: this bus, no display.
    QProcessEnvironment ChildEnvironment() const;

private:
    QString m_address;
    QStringList m_connections;
    QProcess m_daemon;
};

} // namespace ferrolet::test
