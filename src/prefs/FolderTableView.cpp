#include "FolderTableView.h"

#include <QHeaderView>
#include <QKeyEvent>

#include <algorithm>

namespace ferrolet {

FolderTableView::FolderTableView(QWidget* parent) : QTableView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Drops fall between rows; the model refuses drops onto a row.
    setDragDropOverwriteMode(false);
    setDropIndicatorShown(true);
    setAcceptDrops(true);
    setWordWrap(false);
    setAlternatingRowColors(true);
    setShowGrid(false);
    verticalHeader()->setVisible(false);
    // Fixed row heights: the view never asks the model for every row's size.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setHighlightSections(false);
}

QList<int> FolderTableView::SelectedRows() const {
    QList<int> rows;
    if (!selectionModel()) {
        return rows;
    }
    for (const QModelIndex& index : selectionModel()->selectedRows()) {
        rows.append(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void FolderTableView::SelectRows(const QList<int>& rows) {
    if (!selectionModel() || !model()) {
        return;
    }
    QItemSelection selection;
    for (const int row : rows) {
        const QModelIndex index = model()->index(row, 0);
        if (index.isValid()) {
            selection.select(index, index);
        }
    }
    selectionModel()->select(selection,
                             QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    if (!rows.isEmpty()) {
        selectionModel()->setCurrentIndex(model()->index(rows.front(), 0),
                                          QItemSelectionModel::NoUpdate);
    }
}

void FolderTableView::keyPressEvent(QKeyEvent* event) {
    if (state() != QAbstractItemView::EditingState) {
        switch (event->key()) {
        case Qt::Key_Delete:
        case Qt::Key_Backspace:
            if (!SelectedRows().isEmpty()) {
                emit deleteRequested();
                event->accept();
                return;
            }
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (m_editableColumn >= 0 && currentIndex().isValid()) {
                const QModelIndex cell = model()->index(currentIndex().row(), m_editableColumn);
                setCurrentIndex(cell);
                edit(cell);
                event->accept();
                return;
            }
            break;
        default:
            break;
        }
    }
    QTableView::keyPressEvent(event);
}

} // namespace ferrolet
