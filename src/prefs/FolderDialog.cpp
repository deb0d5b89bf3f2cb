#include "FolderDialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QListView>
#include <QTreeView>

namespace ferrolet {

namespace {

// The platform's own dialogs pick one folder only; Qt's dialog lets its
// views select several once they are told to.
void AllowSeveralFolders(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    for (auto* view : dialog.findChildren<QAbstractItemView*>()) {
        if (qobject_cast<QListView*>(view) || qobject_cast<QTreeView*>(view)) {
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        }
    }
}

} // namespace

QStringList RunFolderDialog(QWidget* parent, const FolderDialogRequest& request) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return {};
    }
    const QString start = request.startFolder.empty() ? QDir::homePath()
                                                      : QString::fromStdString(request.startFolder);
    QFileDialog dialog(parent, request.title, start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setOption(QFileDialog::ReadOnly, false); // folder creation allowed
    dialog.setLabelText(QFileDialog::Accept, request.prompt);
    if (request.multipleSelection) {
        AllowSeveralFolders(dialog);
    }
    if (parent == nullptr) {
        // No window of ours holds it, so it stays above the file manager the
        // user chose the items in.
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    }
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    return dialog.selectedFiles();
}

} // namespace ferrolet
