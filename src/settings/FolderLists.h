#pragma once

#include "SettingsStore.h"
#include "platform/FileRef.h"

#include <QByteArray>
#include <QStringList>
#include <QVariantList>

#include <string>

namespace ferrolet {

// Path strings here are QStrings decoded from UTF-8; a folder whose path is not
// valid UTF-8 reads as not found, as the menus and tables cannot show it.
inline const QString kFolderNotFound = QStringLiteral("<< Folder Not Found >>");
inline const QByteArray kDummyRecord = QByteArrayLiteral("dummy");

// Resolves element i of a stored list (data values) to a reference; any
// element that is not data, is empty, is "dummy" or does not resolve fails.
Status ResolveFolderAtIndex(const QVariantList& entries, int i, FileRef& ref);

// The resolved path of element i, or "<< Folder Not Found >>"; also when the
// path with its terminating zero needs more than 1023 bytes.
QString FolderPathnameAt(const QVariantList& entries, int i);

// The path form of the list under key; empty when the stored list has no
// entries (absent, not an array, or empty): callers treat that as "no list".
QStringList FolderPathnames(SettingsStore& store, const QString& key);

// Rebuilds "PathnamesAliases" from paths: each path that names an item becomes
// a record. An entry that cannot be made into a reference keeps its earlier
// stored bytes when the previous list has an entry for that path (so a folder
// on an unmounted drive is not dropped by an unrelated edit); otherwise it is
// left out. Stored and synchronised once.
void StoreDestinationPathnames(SettingsStore& store, const QStringList& paths);

// The preferences window's record of one stored list.
class FolderList {
public:
    FolderList(SettingsStore& store, QString key, long capacity = 0);

    void Reload();
    void Save();
    QStringList Pathnames();
    QString PathnameAt(int i) const;
    bool AddFolderRef(const FileRef& ref);
    bool AddPathname(const QString& path);
    // Stores the list from its path form. A path that cannot be made into a
    // reference keeps the earlier stored bytes of the entry that resolved to
    // it, or is stored as "dummy", so every row keeps its index.
    void SetPathnames(const QStringList& paths);

    const QVariantList& Records() const { return m_records; }
    const QString& Key() const { return m_key; }

private:
    SettingsStore& m_store;
    QVariantList m_records;
    long m_capacity;
    QString m_key;
    QString m_domain;
};

// Moves the older path-only list under oldKey ("Pathnames" or
// "ExtensionPaths") into the record list of items, after the entries already
// there, then removes oldKey. Runs at every start of the program.
void MigrateOlderPathList(SettingsStore& store, FolderList& items, const QString& oldKey);

// Both migrations, destination list first.
void MigrateOlderFolderLists(SettingsStore& store);

} // namespace ferrolet
