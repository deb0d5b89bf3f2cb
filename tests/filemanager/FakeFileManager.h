#pragma once

#include <QDBusAbstractAdaptor>
#include <QObject>
#include <QStringList>

namespace ferrolet::test {

// A stand-in file manager on the bus: answers org.freedesktop.FileManager1 and
// records what it was asked to show.
class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QList<QStringList> shownItems;
    QList<QStringList> shownFolders;
    QStringList startupIds;

public slots:
    void ShowItems(const QStringList& uris, const QString& startupId) {
        shownItems << uris;
        startupIds << startupId;
    }
    void ShowFolders(const QStringList& uris, const QString& startupId) {
        shownFolders << uris;
        startupIds << startupId;
    }
    void ShowItemProperties(const QStringList&, const QString&) {}
};

} // namespace ferrolet::test
