#include "MoveServiceWindow.h"

#include "MenuRenderer.h"
#include "app/WindowPlacement.h"

#include <QCursor>
#include <QEvent>
#include <QIcon>
#include <QVBoxLayout>

namespace ferrolet {

MoveServiceWindow::MoveServiceWindow(AppCore& core, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), m_core(core) {
    setWindowTitle(QStringLiteral("Move Service"));
    setObjectName(QStringLiteral("MoveServiceWindow"));
    auto* layout = new QVBoxLayout(this);
    m_message = new QLabel(
        QStringLiteral("Copy the items in your file manager, then choose what to do with them."),
        this);
    m_message->setWordWrap(true);
    m_button = new QPushButton(QIcon::fromTheme(QStringLiteral("folder")),
                               QStringLiteral("File Items"), this);
    m_button->setAccessibleName(QStringLiteral("Ferrolet commands"));
    m_menu = new QMenu(this);
    m_menu->setToolTipsVisible(true);
    m_button->setMenu(m_menu);
    m_statusMessage = new QLabel(QString(), this);
    m_statusMessage->setAccessibleName(QStringLiteral("Status"));
    layout->addWidget(m_message);
    layout->addWidget(m_button);
    layout->addWidget(m_statusMessage);
    setFixedWidth(260);
    connect(m_menu, &QMenu::aboutToShow, this, [this] {
        m_core.Setup();
        RenderMenu();
    });
    RenderMenu();
}

void MoveServiceWindow::RenderMenu() {
    ferrolet::RenderMenu(m_core.MoveServiceMenu(), m_menu,
                         [this](const MenuItem& item) { m_core.Perform(item); });
}

float MoveServiceWindow::TitleBarHeight() const {
    // The decoration above the content; the frame is larger than the
    // geometry only once a window manager has framed the window.
    return static_cast<float>(geometry().y() - frameGeometry().y());
}

void MoveServiceWindow::MoveToMouse() {
    const QPoint mouse = QCursor::pos();
    const float titleBar = TitleBarHeight();
    const QSize frame = frameGeometry().size();
    const PointF topLeft =
        MoveToMouseTopLeft(static_cast<float>(frame.width()), static_cast<float>(frame.height()),
                           static_cast<float>(mouse.x()), static_cast<float>(mouse.y()), titleBar);
    move(static_cast<int>(topLeft.x), static_cast<int>(topLeft.y));
}

void MoveServiceWindow::OpenAtMouse() {
    adjustSize();
    MoveToMouse();
    show();
    raise();
    activateWindow();
}

void MoveServiceWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        m_core.Setup();
        RenderMenu();
        emit becameActive();
    }
}

} // namespace ferrolet
