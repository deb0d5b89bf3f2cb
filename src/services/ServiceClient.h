#pragma once

#include <QDBusConnection>
#include <QString>
#include <QStringList>

namespace ferrolet {

// `ferrolet --service "<user data>" PATH...` as the running instance is to
// receive it.
struct ServiceRequest {
    QString userData;
    QStringList paths;
};

// Reads the request from the raw arguments (argv[2] the user data, then the
// paths), keeping each path's bytes as the caller gave them: relative paths
// are made absolute against the working folder, and a path that is not
// UTF-8 becomes an unusable item rather than a guess at another name.
ServiceRequest ServiceRequestFromArguments(int argc, char** argv);

enum class ServiceDelivery {
    Delivered,  // the running instance took the request (and answered, or is still at it)
    NoBus,      // no session bus: the caller runs the request itself
    NotReached, // no instance could be reached or started; the request did not run
    Failed,     // the instance took the request and failed; it must not run again
};

// Hands the request to the instance owning the application's name on bus.
// When none owns it, the bus is asked to start one (its activation file);
// failing that, programToStart is started detached with no arguments. The
// call is made once the name has an owner, and waits for the request to be
// done (a request may wait on a folder dialog).
ServiceDelivery DeliverServiceRequest(const ServiceRequest& request, const QDBusConnection& bus,
                                      const QString& programToStart);

} // namespace ferrolet
