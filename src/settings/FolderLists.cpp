#include "FolderLists.h"

#include "EarlierFolderEntries.h"
#include "Prefs.h"
#include "SettingsKeys.h"
#include "platform/FolderRecord.h"

#include <QStringDecoder>

namespace ferrolet {

namespace {

// Paths handed in are converted to UTF-8 in a buffer of this size.
constexpr qsizetype kPathBufferSize = 4096;
// A resolved path, terminating zero included, must fit this many bytes.
constexpr size_t kResolvedPathLimit = 1023;

// FSPathMakeRef + FSNewAlias for a folder the user chose.
Status MakeRecordForPath(const QString& path, QByteArray& record) {
    record.clear();
    const QByteArray utf8 = path.toUtf8();
    if (utf8.isEmpty() || utf8.size() + 1 > kPathBufferSize) {
        return paramErr;
    }
    FileRef ref;
    if (const Status status = FileRef::FromPath(utf8.toStdString(), ref, FileRef::Leaf::Follow);
        status != noErr) {
        return status;
    }
    return MakeFolderRecord(ref, record);
}

// Strict decoding: a path that is not valid UTF-8 cannot be shown or typed
// back, so it reads as not found rather than as a lookalike.
bool DecodeUtf8(const std::string& bytes, QString& out) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    out = decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    return !decoder.hasError();
}

} // namespace

Status ResolveFolderAtIndex(const QVariantList& entries, int i, FileRef& ref) {
    ref = FileRef();
    if (i < 0 || i >= entries.size()) {
        return paramErr;
    }
    const QVariant& element = entries.at(i);
    if (element.typeId() != QMetaType::QByteArray) {
        return paramErr;
    }
    const QByteArray bytes = element.toByteArray();
    if (bytes.isEmpty()) {
        return paramErr;
    }
    return ResolveFolderRecord(bytes, ref);
}

QString CopyFolderPathnameAtIndex(const QVariantList& entries, int i) {
    FileRef ref;
    std::string path;
    QString decoded;
    if (ResolveFolderAtIndex(entries, i, ref) != noErr ||
        ref.MakePath(path, kResolvedPathLimit) != noErr || !DecodeUtf8(path, decoded) ||
        decoded.isEmpty()) {
        return kFolderNotFound;
    }
    return decoded;
}

QStringList CopyFolderPathnames(SettingsStore& store, const QString& key) {
    const QVariantList entries = CopyPrefArray(store, key);
    QStringList paths;
    paths.reserve(entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        paths.append(CopyFolderPathnameAtIndex(entries, i));
    }
    return paths;
}

void StoreDestinationPathnames(SettingsStore& store, const QStringList& paths) {
    EarlierFolderEntries earlier(CopyPrefArray(store, keys::PathnamesAliases));
    QVariantList entries;
    for (const QString& path : paths) {
        QByteArray record;
        if (MakeRecordForPath(path, record) == noErr) {
            entries.append(record);
        } else if (const std::optional<QByteArray> kept = earlier.Take(path)) {
            entries.append(*kept);
        }
    }
    store.SetAppValue(keys::PathnamesAliases, entries);
    store.Synchronize();
}

CFolderItems::CFolderItems(SettingsStore& store, QString key, long capacity)
    : m_store(store), m_capacity(capacity), m_key(std::move(key)),
      m_domain(QString::fromLatin1(kSettingsDomain)) {
    Reload();
}

void CFolderItems::Reload() {
    m_aliases.clear();
    m_store.Synchronize();
    const QVariant value = m_store.CopyAppValue(m_key);
    if (value.typeId() == QMetaType::QVariantList) {
        m_aliases = value.toList();
    }
    if (m_capacity > 0) {
        m_aliases.reserve(static_cast<qsizetype>(m_capacity));
    }
}

void CFolderItems::Save() {
    m_store.SetAppValue(m_key, m_aliases);
    m_store.Synchronize();
}

QStringList CFolderItems::CopyPathnames() {
    Reload();
    QStringList paths;
    paths.reserve(m_aliases.size());
    for (int i = 0; i < m_aliases.size(); ++i) {
        paths.append(CopyPathnameAtIndex(i));
    }
    return paths;
}

QString CFolderItems::CopyPathnameAtIndex(int i) const {
    return CopyFolderPathnameAtIndex(m_aliases, i);
}

Status CFolderItems::ResolveAtIndex(int i, FileRef& ref) const {
    return ResolveFolderAtIndex(m_aliases, i, ref);
}

bool CFolderItems::AddFolderRef(const FileRef& ref) {
    if (m_capacity > 0 && m_aliases.size() >= m_capacity) {
        return false;
    }
    QByteArray record;
    if (MakeFolderRecord(ref, record) != noErr) {
        return false;
    }
    m_aliases.append(record);
    Save();
    return true;
}

bool CFolderItems::AddPathname(const QString& path) {
    const QByteArray utf8 = path.toUtf8();
    if (utf8.isEmpty() || utf8.size() + 1 > kPathBufferSize) {
        return false;
    }
    FileRef ref;
    if (FileRef::FromPath(utf8.toStdString(), ref, FileRef::Leaf::Follow) != noErr) {
        return false;
    }
    return AddFolderRef(ref);
}

void CFolderItems::AddPathnames(const QStringList& paths) {
    for (const QString& path : paths) {
        if (!AddPathname(path)) {
            m_aliases.append(kDummyRecord);
            Save();
        }
    }
}

void CFolderItems::SetPathnames(const QStringList& paths) {
    // The list as stored now (another writer may have changed it since the
    // table was filled) supplies the bytes of rows that cannot be made into a
    // reference at this moment.
    Reload();
    EarlierFolderEntries earlier(m_aliases);
    m_aliases.clear();
    for (const QString& path : paths) {
        QByteArray record;
        if (MakeRecordForPath(path, record) == noErr) {
            m_aliases.append(record);
        } else {
            m_aliases.append(earlier.Take(path).value_or(kDummyRecord));
        }
    }
    // Stored once, complete: a list written entry by entry would be left
    // cut short on disk if the program stopped half-way.
    Save();
}

void MigrateOlderPathList(SettingsStore& store, CFolderItems& items, const QString& oldKey) {
    QStringList paths = items.CopyPathnames();
    store.Synchronize();
    const QVariant older = store.CopyAppValue(oldKey);
    if (!older.isValid()) {
        return;
    }
    if (older.typeId() == QMetaType::QVariantList) {
        for (const QVariant& element : older.toList()) {
            // A non-string keeps its row, so folders stay paired with the
            // extensions stored at the same indexes.
            paths.append(element.typeId() == QMetaType::QString ? element.toString()
                                                                : kFolderNotFound);
        }
        items.SetPathnames(paths);
    }
    store.SetAppValue(oldKey, QVariant());
    store.Synchronize();
}

void MigrateOlderFolderLists(SettingsStore& store) {
    CFolderItems destinations(store, keys::PathnamesAliases);
    MigrateOlderPathList(store, destinations, keys::Pathnames);
    CFolderItems extensionFolders(store, keys::ExtensionPathsAliases);
    MigrateOlderPathList(store, extensionFolders, keys::ExtensionPaths);
}

} // namespace ferrolet
