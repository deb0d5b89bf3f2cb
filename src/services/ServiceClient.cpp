#include "ServiceClient.h"
#include "util/DetachedProcess.h"

#include "ServicePaths.h"
#include "ServicesAdaptor.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>

namespace ferrolet {

namespace {

const QString kService = QStringLiteral("com.quorvane.Ferrolet");
const QString kPath = QStringLiteral("/com/quorvane/Ferrolet");

// How long a starting instance may take to claim its name.
constexpr int kStartWaitMs = 30 * 1000;
// A request may hold a folder dialog open for as long as the user thinks.
constexpr int kCallTimeoutMs = 24 * 60 * 60 * 1000;

bool HasOwner(const QDBusConnection& bus) {
    return bus.interface()->isServiceRegistered(kService).value();
}

// Waits, in an event loop, until the name has an owner or the time is up.
bool WaitForOwner(const QDBusConnection& bus) {
    QDBusServiceWatcher watcher(kService, bus, QDBusServiceWatcher::WatchForRegistration);
    QEventLoop loop;
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceRegistered, &loop, &QEventLoop::quit);
    QTimer poll; // the name may have been claimed before the watcher was set
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (HasOwner(bus)) {
            loop.quit();
        }
    });
    poll.start(100);
    QTimer::singleShot(kStartWaitMs, &loop, &QEventLoop::quit);
    if (!HasOwner(bus)) {
        loop.exec();
    }
    return HasOwner(bus);
}

bool IsStillStarting(const QString& error) {
    return error == QLatin1String("org.freedesktop.DBus.Error.UnknownObject") ||
           error == QLatin1String("org.freedesktop.DBus.Error.UnknownInterface") ||
           error == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod");
}

bool StartInstance(const QDBusConnection& bus, const QString& programToStart) {
    // The activation file, when installed, starts the application under the
    // bus's own supervision.
    if (bus.interface()->startService(kService).isValid()) {
        return WaitForOwner(bus);
    }
    if (programToStart.isEmpty() || !StartDetached(programToStart, {})) {
        return false;
    }
    return WaitForOwner(bus);
}

} // namespace

ServiceRequest ServiceRequestFromArguments(int argc, char** argv) {
    ServiceRequest request;
    if (argc > 2) {
        request.userData = QString::fromUtf8(argv[2]);
    }
    const std::string workingFolder = CurrentWorkingFolder();
    for (int i = 3; i < argc; ++i) {
        request.paths << ServiceArgumentPath(argv[i], workingFolder);
    }
    return request;
}

ServiceDelivery DeliverServiceRequest(const ServiceRequest& request, const QDBusConnection& bus,
                                      const QString& programToStart) {
    if (!bus.isConnected()) {
        return ServiceDelivery::NoBus;
    }
    if (!HasOwner(bus) && !StartInstance(bus, programToStart)) {
        return ServiceDelivery::NotReached;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, QString::fromLatin1(kServicesInterface),
                                       QStringLiteral("HandleMenuSelection"));
    call << request.paths << request.userData;
    // An instance claims its name before its objects are in place; while it
    // is starting, "no such object" means "not yet", so ask again a while.
    const QDeadlineTimer settling(kStartWaitMs);
    QDBusMessage reply;
    for (;;) {
        reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage) {
            return ServiceDelivery::Delivered;
        }
        if (!IsStillStarting(reply.errorName()) || settling.hasExpired()) {
            break;
        }
        QEventLoop pause;
        QTimer::singleShot(100, &pause, &QEventLoop::quit);
        pause.exec();
    }
    // Only an instance that never saw the request may have it run elsewhere;
    // one that took it and then failed or went quiet may have acted on some
    // items, and running it again could act twice.
    const QString error = reply.errorName();
    for (const char* unseen :
         {"org.freedesktop.DBus.Error.ServiceUnknown", "org.freedesktop.DBus.Error.NameHasNoOwner",
          "org.freedesktop.DBus.Error.UnknownObject", "org.freedesktop.DBus.Error.UnknownInterface",
          "org.freedesktop.DBus.Error.UnknownMethod"}) {
        if (error == QLatin1String(unseen)) {
            return ServiceDelivery::NotReached;
        }
    }
    return error == QLatin1String("org.freedesktop.DBus.Error.NoReply") ? ServiceDelivery::Delivered
                                                                        : ServiceDelivery::Failed;
}

} // namespace ferrolet
