#include "GuiPlatform.h"

#include "prefs/FolderDialog.h"

#include <QApplication>
#include <QWidget>

namespace ferrolet {

std::vector<std::string> GuiPlatform::ChooseFolders(const FolderDialogRequest& request) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        return {}; // no display: nothing to raise, and the dialog is cancelled
    }
    if (request.bringToFront) {
        BringToFront();
    }
    std::vector<std::string> chosen;
    for (const QString& folder : RunFolderDialog(nullptr, request)) {
        chosen.push_back(folder.toStdString());
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
