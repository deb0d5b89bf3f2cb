#include "FolderDialog.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileDialog>
#include <QListView>
#include <QTreeView>

namespace ferrolet {

QStringList RunFolderDialog(QWidget* parent, const FolderDialogRequest& request) {
    QFileDialog dialog(parent, request.title, QDir::homePath());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setLabelText(QFileDialog::Accept, request.prompt);
    if (request.multipleSelection) {
        // The platform's own dialogs pick one folder only; Qt's dialog lets
        // its views select several once they are told to.
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        for (auto* view : dialog.findChildren<QAbstractItemView*>()) {
            if (qobject_cast<QListView*>(view) || qobject_cast<QTreeView*>(view)) {
                view->setSelectionMode(QAbstractItemView::ExtendedSelection);
            }
        }
    }
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.selectedFiles();
}

} // namespace ferrolet
