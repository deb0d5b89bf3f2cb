#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusContext>
#include <QDBusMessage>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace ferrolet::test {

// A stand-in notification server on the bus: records every Notify and never
// answers it, as a hung server would, so a caller that waited would hang.
class FakeNotificationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    // "summary\nbody" of every Notify received.
    QStringList shown;

public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        shown << summary + QLatin1Char('\n') + body;
        setDelayedReply(true); // and no reply ever comes
        return 0;
    }
};

} // namespace ferrolet::test
