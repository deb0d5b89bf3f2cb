#pragma once

#include <QDBusContext>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace ferrolet::test {

// A stand-in file manager on the bus: records what it was asked to show.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QList<QStringList> shownItems;
    QList<QStringList> shownFolders;

public slots:
    void ShowItems(const QStringList& uris, const QString&) { shownItems << uris; }
    void ShowFolders(const QStringList& uris, const QString&) { shownFolders << uris; }
};

// A stand-in notification server that records every Notify and never
// answers, as a hung server would: a caller that waited would hang.
class FakeNotificationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList shown; // "summary\nbody"

public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        shown << summary + QLatin1Char('\n') + body;
        setDelayedReply(true);
        return 0;
    }
};

} // namespace ferrolet::test
