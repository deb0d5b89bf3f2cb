#pragma once

#include "prefs/PreferencesModel.h"

#include <QAbstractTableModel>
#include <QStringList>

namespace ferrolet {

// One folder table of the preferences window over the working arrays of
// PreferencesModel. Display names are resolved once per Refresh(), never while
// painting, so long lists scroll smoothly.
//
// The destination table drags its rows as "MyPrivateTableViewDataType" (the
// dragged row numbers) to reorder them; both tables take folders dropped
// from a file manager as text/uri-list. removeRows() is deliberately left to
// the base class (which removes nothing): after a drag that ends in a move
// the view asks the model to remove the dragged rows, but the drop has
// already reordered them in place.
class FolderTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static inline const QString kRowsMimeType = QStringLiteral("MyPrivateTableViewDataType");
    static inline const QString kUriListMimeType = QStringLiteral("text/uri-list");

    FolderTableModel(PreferencesModel& prefs, FolderTable table, QObject* parent = nullptr);

    FolderTable Table() const { return m_table; }
    // Column numbers; the extension column exists in the extension table only.
    int NameColumn() const;
    int FolderColumn() const;
    int ExtensionColumn() const;

    // Re-reads the working arrays and resolves the display names.
    void Refresh();

    // Encodes / decodes the private drag data.
    static QByteArray EncodeRows(const QList<int>& rows);
    static bool DecodeRows(const QByteArray& data, QList<int>& rows);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    Qt::DropActions supportedDropActions() const override;
    Qt::DropActions supportedDragActions() const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

signals:
    // Rows were reordered by a drag; these rows hold the dragged folders now.
    void rowsReordered(const QList<int>& rows);

private:
    PreferencesModel& m_prefs;
    FolderTable m_table;
    QStringList m_names;
};

} // namespace ferrolet
