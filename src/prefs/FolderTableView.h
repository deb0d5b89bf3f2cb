#pragma once

#include <QTableView>

namespace ferrolet {

// A folder table as the keyboard expects it: Delete (or Backspace) asks to
// remove the selected rows, Return edits the current row's extension when
// the table has an extension column.
class FolderTableView : public QTableView {
    Q_OBJECT
public:
    explicit FolderTableView(QWidget* parent = nullptr);

    // The column Return edits; -1 for none.
    void SetEditableColumn(int column) { m_editableColumn = column; }

    // The selected rows, ascending.
    QList<int> SelectedRows() const;
    // Selects exactly these rows.
    void SelectRows(const QList<int>& rows);

signals:
    void deleteRequested();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_editableColumn = -1;
};

} // namespace ferrolet
