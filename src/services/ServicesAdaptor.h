#pragma once

#include "ServiceRequestQueue.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QStringList>

namespace ferrolet {

inline constexpr const char* kServicesInterface = "com.quorvane.Ferrolet.Services";

// The services' face on the session bus, beside the control interface on
// the application's object. A call is answered once its request has run, but
// the answer is sent later (a delayed reply), so the bus and the event loop
// stay free while a folder dialog waits for the user; requests run one at a
// time in the order they came.
class ServicesAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.quorvane.Ferrolet.Services")
public:
    // bus is the connection the object is registered on (the replies go
    // back through it); handler runs one request.
    ServicesAdaptor(QObject* root, QDBusConnection bus, ServiceRequestQueue::Handler handler);

    const ServiceRequestQueue& Queue() const { return m_queue; }
    ServiceRequestQueue& Queue() { return m_queue; }

public slots:
    void HandleMenuSelection(const QStringList& paths, const QString& userData,
                             const QDBusMessage& message);

private:
    QDBusConnection m_bus;
    ServiceRequestQueue m_queue;
};

} // namespace ferrolet
