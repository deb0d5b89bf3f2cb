#pragma once

#include <QByteArray>
#include <QString>
#include <QVariantList>

#include <optional>
#include <string>
#include <vector>

namespace ferrolet {

// The entries of a stored folder list as they were before a rewrite. A row
// that cannot be made into a reference at the moment (its folder is on a
// drive that is not mounted, or was moved since the table was filled) keeps
// the bytes it had, so an unrelated edit never drops a folder from the list.
class EarlierFolderEntries {
public:
    explicit EarlierFolderEntries(QVariantList stored) : m_stored(std::move(stored)) {}

    // The earlier bytes for one row of the new list, each earlier entry
    // handed out at most once:
    // - a "<< Folder Not Found >>" row takes the next earlier entry, in list
    //   order, that does not resolve now (rows of the same kind keep their
    //   order through edits of the other rows);
    // - a path takes the earlier entry whose record was made for that path.
    // Nothing when no earlier entry fits. An earlier element that is not
    // data is handed out as "dummy".
    std::optional<QByteArray> Take(const QString& row);

private:
    struct Entry {
        QByteArray bytes;
        std::string recordPath; // empty when the bytes are not a record
        bool resolves = false;
        bool used = false;
    };

    void Examine();

    QVariantList m_stored;
    std::vector<Entry> m_entries;
    bool m_examined = false;
};

} // namespace ferrolet
