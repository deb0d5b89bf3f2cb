#pragma once

#include "MoveServiceWindow.h"
#include "app/AppCore.h"

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace ferrolet {

// The tray face of the application: the status icon and its menu, rebuilt
// from the model every time it is about to open, plus the About box and the
// preferences window.
class AppController : public QObject {
    Q_OBJECT
public:
    explicit AppController(AppCore& core, QObject* parent = nullptr);
    ~AppController() override;

    // Shows the tray icon as soon as a system tray exists (panels often start
    // after us); says once in the log when there is none yet.
    void Start();

    // The preferences window, raised.
    void ShowPreferences();
    // Hands over the preferences window (it lives in the preferences
    // library); the controller owns it from then on.
    void SetPreferencesWindow(QWidget* window);

    // The Move Service window, opened at the mouse (or hidden).
    void OpenMoveServiceWindow();
    void CloseMoveServiceWindow();
    MoveServiceWindow* MoveService() const { return m_moveServiceWindow; }

    QSystemTrayIcon* TrayIcon() const { return m_item; }
    QMenu* StatusMenu() const { return m_menu; }

    // Before the menu opens: both menus are rebuilt, then the status menu rendered.
    void MenuNeedsUpdate();

private:
    void TryCreateTrayIcon();
    // Once the status menu has closed and no command runs, its items and
    // models are dropped and the freed memory handed back to the system.
    void ReleaseMenuMemory();
    void ShowAbout();

    AppCore& m_core;
    QSystemTrayIcon* m_item = nullptr;
    QMenu* m_menu = nullptr;
    QTimer m_trayPoll;
    bool m_reportedNoTray = false;
    QPointer<QWidget> m_prefWindow;
    MoveServiceWindow* m_moveServiceWindow = nullptr;
};

} // namespace ferrolet
