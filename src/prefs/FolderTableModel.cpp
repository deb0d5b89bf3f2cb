#include "FolderTableModel.h"

#include "DisplayName.h"
#include "DroppedFolders.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>

#include <set>

namespace ferrolet {

namespace {
// The private drag data: a version, a count, then the row numbers.
constexpr quint32 kRowsFormatVersion = 1;
constexpr quint32 kMaxDraggedRows = 1u << 20;
} // namespace

FolderTableModel::FolderTableModel(PreferencesModel& prefs, FolderTable table, QObject* parent)
    : QAbstractTableModel(parent), m_prefs(prefs), m_table(table) {
    Refresh();
}

int FolderTableModel::ExtensionColumn() const {
    return m_table == FolderTable::Extensions ? 0 : -1;
}
int FolderTableModel::NameColumn() const {
    return m_table == FolderTable::Extensions ? 1 : 0;
}
int FolderTableModel::FolderColumn() const {
    return NameColumn() + 1;
}

void FolderTableModel::Refresh() {
    beginResetModel();
    const QStringList& paths = m_prefs.Paths(m_table);
    m_names.clear();
    m_names.reserve(paths.size());
    for (const QString& path : paths) {
        m_names.append(path == kFolderNotFound ? QString() : DisplayNameForPath(path));
    }
    endResetModel();
}

QByteArray FolderTableModel::EncodeRows(const QList<int>& rows) {
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out << kRowsFormatVersion << quint32(rows.size());
    for (const int row : rows) {
        out << qint32(row);
    }
    return data;
}

bool FolderTableModel::DecodeRows(const QByteArray& data, QList<int>& rows) {
    QDataStream in(data);
    quint32 version = 0;
    quint32 count = 0;
    in >> version >> count;
    if (in.status() != QDataStream::Ok || version != kRowsFormatVersion ||
        count > kMaxDraggedRows || qsizetype(count) * 4 != data.size() - 8) {
        return false;
    }
    rows.clear();
    for (quint32 i = 0; i < count; ++i) {
        qint32 row = 0;
        in >> row;
        rows.append(row);
    }
    return in.status() == QDataStream::Ok;
}

int FolderTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_prefs.Paths(m_table).size());
}

int FolderTableModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) {
        return 0;
    }
    return m_table == FolderTable::Extensions ? 3 : 2;
}

QVariant FolderTableModel::data(const QModelIndex& index, int role) const {
    const QStringList& paths = m_prefs.Paths(m_table);
    if (!index.isValid() || index.row() >= paths.size()) {
        return {};
    }
    const int row = index.row();
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        if (index.column() == ExtensionColumn()) {
            return m_prefs.Extensions().value(row);
        }
        if (index.column() == NameColumn()) {
            return m_names.value(row);
        }
        if (index.column() == FolderColumn()) {
            return paths.at(row);
        }
    }
    if (role == Qt::ToolTipRole && index.column() != ExtensionColumn()) {
        return paths.at(row);
    }
    return {};
}

QVariant FolderTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (section == ExtensionColumn()) {
        return tr("Extension");
    }
    if (section == NameColumn()) {
        return tr("Name");
    }
    if (section == FolderColumn()) {
        return tr("Folder");
    }
    return {};
}

Qt::ItemFlags FolderTableModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        // Drops land between rows (or below the last), never onto a row.
        return Qt::ItemIsDropEnabled;
    }
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_table == FolderTable::Destinations) {
        flags |= Qt::ItemIsDragEnabled;
    }
    if (index.column() == ExtensionColumn()) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

bool FolderTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) {
        return false;
    }
    if (index.column() != ExtensionColumn() || value.typeId() != QMetaType::QString) {
        return false;
    }
    m_prefs.SetExtension(index.row(), value.toString());
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

Qt::DropActions FolderTableModel::supportedDropActions() const {
    return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
}

Qt::DropActions FolderTableModel::supportedDragActions() const {
    return m_table == FolderTable::Destinations ? Qt::MoveAction : Qt::IgnoreAction;
}

QStringList FolderTableModel::mimeTypes() const {
    if (m_table == FolderTable::Destinations) {
        return {kRowsMimeType, kUriListMimeType};
    }
    return {kUriListMimeType};
}

QMimeData* FolderTableModel::mimeData(const QModelIndexList& indexes) const {
    if (m_table != FolderTable::Destinations || indexes.isEmpty()) {
        return nullptr;
    }
    std::set<int> rows;
    for (const QModelIndex& index : indexes) {
        if (index.isValid()) {
            rows.insert(index.row());
        }
    }
    auto* data = new QMimeData;
    data->setData(kRowsMimeType, EncodeRows(QList<int>(rows.begin(), rows.end())));
    return data;
}

bool FolderTableModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                       const QModelIndex& parent) const {
    if (!data || parent.isValid()) {
        return false; // onto a row: refused
    }
    if (data->hasFormat(kRowsMimeType)) {
        // Only the destination table reorders; its rows are not extension rows.
        return m_table == FolderTable::Destinations;
    }
    return data->hasUrls() && AnyPlainFolder(LocalPathsOfUrls(data->urls()));
}

bool FolderTableModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row,
                                    int column, const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent)) {
        return false;
    }
    if (data->hasFormat(kRowsMimeType)) {
        QList<int> dragged;
        if (!DecodeRows(data->data(kRowsMimeType), dragged)) {
            return false;
        }
        const int dropRow = row < 0 ? rowCount() : row;
        const QList<int> selection = m_prefs.ReorderPathnames(dragged, dropRow);
        Refresh();
        emit rowsReordered(selection);
        return true;
    }
    // Folders go to the top whatever row they were dropped on.
    const bool accepted = m_prefs.DropFolders(m_table, LocalPathsOfUrls(data->urls()));
    Refresh();
    return accepted;
}

} // namespace ferrolet
