#include "EarlierFolderEntries.h"

#include "FolderLists.h"
#include "platform/FolderRecord.h"

namespace ferrolet {

void EarlierFolderEntries::Examine() {
    // Resolving every earlier entry costs a little, so it waits until a row
    // actually needs an earlier entry.
    m_examined = true;
    m_entries.reserve(static_cast<size_t>(m_stored.size()));
    for (int i = 0; i < m_stored.size(); ++i) {
        Entry entry;
        const QVariant& element = m_stored.at(i);
        entry.bytes =
            element.typeId() == QMetaType::QByteArray ? element.toByteArray() : kDummyRecord;
        FolderRecordPath(entry.bytes, entry.recordPath);
        FileRef ref;
        entry.resolves = ResolveFolderAtIndex(m_stored, i, ref) == 0;
        m_entries.push_back(std::move(entry));
    }
}

std::optional<QByteArray> EarlierFolderEntries::Take(const QString& row) {
    if (!m_examined) {
        Examine();
    }
    const bool placeholder = row == kFolderNotFound;
    const std::string path = placeholder ? std::string() : row.toStdString();
    for (Entry& entry : m_entries) {
        if (entry.used) {
            continue;
        }
        const bool fits =
            placeholder ? !entry.resolves : !entry.recordPath.empty() && entry.recordPath == path;
        if (fits) {
            entry.used = true;
            return entry.bytes;
        }
    }
    return std::nullopt;
}

} // namespace ferrolet
