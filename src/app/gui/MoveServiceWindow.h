#pragma once

#include "app/AppCore.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QWidget>

namespace ferrolet {

// The Move Service window: a small always-on-top tool window whose button
// opens the same commands as the tray menu, with a fixed message and a status
// line. Both menus are rebuilt whenever it becomes the active window and
// whenever its menu is about to open.
class MoveServiceWindow : public QWidget {
    Q_OBJECT
public:
    explicit MoveServiceWindow(AppCore& core, QWidget* parent = nullptr);

    // titleBarHeight: the height the window manager's decoration adds above
    // the content (0 before the window is mapped or without a manager).
    float TitleBarHeight() const;
    // moveToMouse: centre the content area on the mouse pointer. Wayland
    // compositors may refuse; the window then opens where they put it.
    void MoveToMouse();
    // Opens the window at the mouse and makes it active.
    void OpenAtMouse();

    QMenu* Menu() const { return m_menu; }
    QLabel* StatusMessage() const { return m_statusMessage; }

signals:
    // Sent when the window becomes active (windowDidBecomeKey).
    void becameActive();

protected:
    void changeEvent(QEvent* event) override;

private:
    void RenderMenu();

    AppCore& m_core;
    QMenu* m_menu;
    QPushButton* m_button;
    QLabel* m_message;
    QLabel* m_statusMessage;
};

} // namespace ferrolet
