#include "GuiPlatform.h"

#include "prefs/FolderDialog.h"

#include <QApplication>
#include <QWidget>

#ifdef FERROLET_HAVE_X11
#include <X11/Xlib.h>
#endif

namespace ferrolet {

namespace {

// The X server's bell through the running QGuiApplication; false when there
// is none on X11.
bool RingApplicationBell() {
#ifdef FERROLET_HAVE_X11
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* x11 = app ? app->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (Display* display = x11 ? x11->display() : nullptr) {
        XBell(display, 0);
        XFlush(display);
        return true;
    }
#endif
    return false;
}

} // namespace

GuiPlatform::GuiPlatform() {
    SetDisplayBell([bell = DisplayBell()] {
        if (!RingApplicationBell() && bell) {
            bell();
        }
    });
}

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
