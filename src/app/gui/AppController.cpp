#include "AppController.h"

#include "MenuRenderer.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"
#include "util/AppPaths.h"
#include "util/Log.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QMessageBox>
#include <malloc.h>

namespace ferrolet {

AppController::AppController(AppCore& core, QObject* parent) : QObject(parent), m_core(core) {
    m_menu = new QMenu();
    m_menu->setToolTipsVisible(true);
    connect(m_menu, &QMenu::aboutToShow, this, &AppController::MenuNeedsUpdate);
    // A few seconds' grace: a tray host that speaks D-Bus may report the
    // click on an item after it reported the menu closed.
    connect(m_menu, &QMenu::aboutToHide, this,
            [this] { QTimer::singleShot(3000, this, &AppController::ReleaseMenuMemory); });
    m_core.onAbout = [this] { ShowAbout(); };
    m_core.onPreferences = [this] { ShowPreferences(); };
    m_core.onQuit = [] { QCoreApplication::quit(); };
    m_trayPoll.setInterval(2000);
    connect(&m_trayPoll, &QTimer::timeout, this, &AppController::TryCreateTrayIcon);
}

AppController::~AppController() {
    delete m_moveServiceWindow;
    delete m_item;
    delete m_menu;
    delete m_prefWindow;
}

void AppController::Start() {
    m_moveServiceWindow = new MoveServiceWindow(m_core);
    TryCreateTrayIcon();
    if (!m_item) {
        m_trayPoll.start();
    }
    // A first launch shows the window: the setting reads as on until stored.
    if (ReadBoolPref(m_core.Settings(), keys::OpenMoveServiceWindow)) {
        OpenMoveServiceWindow();
    }
}

void AppController::OpenMoveServiceWindow() {
    if (m_moveServiceWindow) {
        m_moveServiceWindow->OpenAtMouse();
    }
}

void AppController::CloseMoveServiceWindow() {
    if (m_moveServiceWindow) {
        m_moveServiceWindow->hide();
    }
}

void AppController::TryCreateTrayIcon() {
    if (m_item) {
        return;
    }
    // Qt picks the tray protocol once per process: create the icon only when a
    // tray is there.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        if (!m_reportedNoTray) {
            m_reportedNoTray = true;
            Log(QStringLiteral("Ferrolet: no system tray is available yet; the menu is reachable "
                               "through the Move Service window and `ferrolet --command`"));
        }
        return;
    }
    m_trayPoll.stop();
    const QString iconPath = QString::fromStdString(DataDirectory() + "/ferrolet.svg");
    QIcon icon(iconPath);
    if (icon.isNull()) {
        icon = QIcon::fromTheme(QStringLiteral("folder"));
    }
    m_item = new QSystemTrayIcon(icon);
    m_item->setToolTip(QStringLiteral("Ferrolet"));
    m_core.Setup();
    RenderMenu(m_core.StatusMenu(), m_menu, [this](const MenuItem& item) { m_core.Perform(item); });
    m_item->setContextMenu(m_menu);
    // A left click opens the same menu, as a status item does.
    connect(m_item, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason r) {
        if (r == QSystemTrayIcon::Trigger) {
            m_menu->popup(QCursor::pos());
        }
    });
    m_item->show();
}

void AppController::MenuNeedsUpdate() {
    m_core.Setup();
    RenderMenu(m_core.StatusMenu(), m_menu, [this](const MenuItem& item) { m_core.Perform(item); });
}

void AppController::ReleaseMenuMemory() {
    if (m_menu->isVisible()) {
        return;
    }
    if (m_core.Performing()) {
        // The chosen item's command is still running (the menu hides before
        // its action is triggered); its QAction must outlive it.
        QTimer::singleShot(250, this, &AppController::ReleaseMenuMemory);
        return;
    }
    m_core.ReleaseMenus();
    RenderMenu(m_core.StatusMenu(), m_menu, [this](const MenuItem& item) { m_core.Perform(item); });
    malloc_trim(0);
}

void AppController::SetPreferencesWindow(QWidget* window) {
    delete m_prefWindow;
    m_prefWindow = window;
}

void AppController::ShowPreferences() {
    if (!m_prefWindow) {
        return;
    }
    m_prefWindow->show();
    m_prefWindow->raise();
    m_prefWindow->activateWindow();
}

void AppController::ShowAbout() {
    QMessageBox::about(nullptr, QStringLiteral("About Ferrolet"),
                       QStringLiteral("<b>Ferrolet %1</b><p>Files away the items selected in your "
                                      "file manager in one gesture.</p>")
                           .arg(QCoreApplication::applicationVersion()));
}

} // namespace ferrolet
