#include "GuiPlatform.h"

#include <QApplication>
#include <QFileDialog>
#include <QWidget>

namespace ferrolet {

std::vector<std::string> GuiPlatform::ChooseFolders(const FolderDialogRequest& request) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return {};
    }
    if (request.bringToFront) {
        BringToFront();
    }
    QFileDialog dialog(nullptr, request.title);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    dialog.setOption(QFileDialog::ReadOnly, false); // folder creation allowed
    dialog.setLabelText(QFileDialog::Accept, request.prompt);
    if (request.multipleSelection) {
        // Several folders at once need Qt's own dialog: the portal's folder
        // chooser takes one.
        dialog.setOption(QFileDialog::DontUseNativeDialog, true);
        dialog.setFileMode(QFileDialog::Directory);
        if (auto* view = dialog.findChild<QWidget*>(QStringLiteral("listView"))) {
            view->setProperty("selectionMode", 3); // ExtendedSelection
        }
        if (auto* tree = dialog.findChild<QWidget*>(QStringLiteral("treeView"))) {
            tree->setProperty("selectionMode", 3);
        }
    }
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    std::vector<std::string> chosen;
    for (const QString& file : dialog.selectedFiles()) {
        chosen.push_back(file.toStdString());
    }
    return chosen;
}

void GuiPlatform::BringToFront() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible()) {
            w->raise();
            w->activateWindow();
        }
    }
}

} // namespace ferrolet
