#include "ProgressWindow.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace ferrolet {

namespace {
// Reports further apart than this mean the operation has ended.
constexpr int kIdleMs = 1000;
} // namespace

ProgressWindow::ProgressWindow(int showAfterMs, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), m_showAfterMs(showAfterMs) {
    setWindowTitle(QStringLiteral("Ferrolet"));
    auto* layout = new QVBoxLayout(this);
    m_name = new QLabel(this);
    m_name->setTextFormat(Qt::PlainText);
    m_name->setMinimumWidth(320);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 100);
    layout->addWidget(m_name);
    layout->addWidget(m_bar);

    m_idle.setInterval(kIdleMs);
    connect(&m_idle, &QTimer::timeout, this, &ProgressWindow::HideWhenIdle);

    m_sink.started = [this](const std::string& name, uint64_t total) { Started(name, total); };
    m_sink.advanced = [this](uint64_t done) { return Advanced(done); };
}

QString ProgressWindow::ItemName() const {
    return m_name->text();
}

int ProgressWindow::Percent() const {
    return m_bar->value();
}

void ProgressWindow::Started(const std::string& itemName, uint64_t totalBytes) {
    if (!m_running.isValid() || !m_lastReport.isValid() || m_lastReport.elapsed() > kIdleMs) {
        m_running.start(); // a new operation, not the next item of one
    }
    m_total = totalBytes;
    m_name->setText(QString::fromUtf8(itemName));
    m_bar->setValue(0);
    Touch();
}

bool ProgressWindow::Advanced(uint64_t bytesDone) {
    const int percent =
        m_total == 0 ? 100 : static_cast<int>(std::min<uint64_t>(100, bytesDone * 100 / m_total));
    m_bar->setValue(percent);
    Touch();
    return true;
}

void ProgressWindow::Touch() {
    m_lastReport.start();
    m_idle.start();
    if (!isVisible() && m_running.elapsed() >= m_showAfterMs) {
        show();
        raise();
    }
    // The operation holds the main thread; let the window paint and the
    // rest of the program answer meanwhile.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ProgressWindow::HideWhenIdle() {
    if (m_lastReport.isValid() && m_lastReport.elapsed() < kIdleMs) {
        return; // still running; the timer was re-armed by the last report
    }
    m_idle.stop();
    m_running.invalidate();
    hide();
}

} // namespace ferrolet
