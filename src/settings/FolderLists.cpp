#include "FolderLists.h"

#include "EarlierFolderEntries.h"
#include "SettingsKeys.h"
#include "platform/FolderRecord.h"
#include "settings/OptionReaders.h"

#include <QStringDecoder>

namespace ferrolet {

namespace {

// Paths handed in are converted to UTF-8 in a buffer of this size.
constexpr qsizetype kPathBufferSize = 4096;
// A resolved path, terminating zero included, must fit this many bytes.
constexpr size_t kResolvedPathLimit = 1023;

// The folder record of a folder the user chose, by its path.
Status MakeRecordForPath(const QString& path, QByteArray& record) {
    record.clear();
    const QByteArray utf8 = path.toUtf8();
    if (utf8.isEmpty() || utf8.size() + 1 > kPathBufferSize) {
        return EINVAL;
    }
    FileRef ref;
    if (const Status status = FileRef::FromPath(utf8.toStdString(), ref, FileRef::Leaf::Follow);
        status != 0) {
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
        return EINVAL;
    }
    const QVariant& element = entries.at(i);
    if (element.typeId() != QMetaType::QByteArray) {
        return EINVAL;
    }
    const QByteArray bytes = element.toByteArray();
    if (bytes.isEmpty()) {
        return EINVAL;
    }
    return ResolveFolderRecord(bytes, ref);
}

QString FolderPathnameAt(const QVariantList& entries, int i) {
    FileRef ref;
    std::string path;
    QString decoded;
    if (ResolveFolderAtIndex(entries, i, ref) != 0 || ref.MakePath(path, kResolvedPathLimit) != 0 ||
        !DecodeUtf8(path, decoded) || decoded.isEmpty()) {
        return kFolderNotFound;
    }
    return decoded;
}

QStringList FolderPathnames(SettingsStore& store, const QString& key) {
    const QVariantList entries = ReadArray(store, key);
    QStringList paths;
    paths.reserve(entries.size());
    for (int i = 0; i < entries.size(); ++i) {
        paths.append(FolderPathnameAt(entries, i));
    }
    return paths;
}

void StoreDestinationPathnames(SettingsStore& store, const QStringList& paths) {
    EarlierFolderEntries earlier(ReadArray(store, keys::PathnamesAliases));
    QVariantList entries;
    for (const QString& path : paths) {
        QByteArray record;
        if (MakeRecordForPath(path, record) == 0) {
            entries.append(record);
        } else if (const std::optional<QByteArray> kept = earlier.Take(path)) {
            entries.append(*kept);
        }
    }
    store.SetAppValue(keys::PathnamesAliases, entries);
    store.Synchronize();
}

FolderList::FolderList(SettingsStore& store, QString key, long capacity)
    : m_store(store), m_capacity(capacity), m_key(std::move(key)),
      m_domain(QString::fromLatin1(kSettingsDomain)) {
    Reload();
}

void FolderList::Reload() {
    m_records.clear();
    m_store.Synchronize();
    const QVariant value = m_store.Value(m_key);
    if (value.typeId() == QMetaType::QVariantList) {
        m_records = value.toList();
    }
    if (m_capacity > 0) {
        m_records.reserve(static_cast<qsizetype>(m_capacity));
    }
}

void FolderList::Save() {
    m_store.SetAppValue(m_key, m_records);
    m_store.Synchronize();
}

QStringList FolderList::Pathnames() {
    Reload();
    QStringList paths;
    paths.reserve(m_records.size());
    for (int i = 0; i < m_records.size(); ++i) {
        paths.append(PathnameAt(i));
    }
    return paths;
}

QString FolderList::PathnameAt(int i) const {
    return FolderPathnameAt(m_records, i);
}

bool FolderList::AddFolderRef(const FileRef& ref) {
    if (m_capacity > 0 && m_records.size() >= m_capacity) {
        return false;
    }
    QByteArray record;
    if (MakeFolderRecord(ref, record) != 0) {
        return false;
    }
    m_records.append(record);
    Save();
    return true;
}

bool FolderList::AddPathname(const QString& path) {
    const QByteArray utf8 = path.toUtf8();
    if (utf8.isEmpty() || utf8.size() + 1 > kPathBufferSize) {
        return false;
    }
    FileRef ref;
    if (FileRef::FromPath(utf8.toStdString(), ref, FileRef::Leaf::Follow) != 0) {
        return false;
    }
    return AddFolderRef(ref);
}

void FolderList::SetPathnames(const QStringList& paths) {
    // The list as stored now (another writer may have changed it since the
    // table was filled) supplies the bytes of rows that cannot be made into a
    // reference at this moment.
    Reload();
    EarlierFolderEntries earlier(m_records);
    m_records.clear();
    for (const QString& path : paths) {
        QByteArray record;
        if (MakeRecordForPath(path, record) == 0) {
            m_records.append(record);
        } else {
            m_records.append(earlier.Take(path).value_or(kDummyRecord));
        }
    }
    // Stored once, complete: a list written entry by entry would be left
    // cut short on disk if the program stopped half-way.
    Save();
}

void MigrateOlderPathList(SettingsStore& store, FolderList& items, const QString& oldKey) {
    QStringList paths = items.Pathnames();
    store.Synchronize();
    const QVariant older = store.Value(oldKey);
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
    FolderList destinations(store, keys::PathnamesAliases);
    MigrateOlderPathList(store, destinations, keys::Pathnames);
    FolderList extensionFolders(store, keys::ExtensionPathsAliases);
    MigrateOlderPathList(store, extensionFolders, keys::ExtensionPaths);
}

} // namespace ferrolet
