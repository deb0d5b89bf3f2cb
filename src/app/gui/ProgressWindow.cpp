#include "ProgressWindow.h"

#include "app/ProgressWording.h"
#include "fileops/commands/CommandRun.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace ferrolet {

namespace {
// A lone operation's reports further apart than this mean it has ended.
constexpr int kIdleMs = 1000;
// The event loop turns at most this often from a run's reports: often enough
// to paint and answer Cancel at once, rarely enough to cost nothing.
constexpr int kPumpMs = 40;
// The rate (and so the time left) is shown once it has settled.
constexpr int kSteadyRateMs = 1000;
constexpr int kTextWidth = 380;

QLabel* PlainLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setMinimumWidth(kTextWidth);
    return label;
}
} // namespace

ProgressWindow::ProgressWindow(int showAfterMs, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint), m_showAfterMs(showAfterMs) {
    setWindowTitle(QStringLiteral("Ferrolet"));
    auto* layout = new QVBoxLayout(this);
    m_headline = PlainLabel(this);
    QFont bold = m_headline->font();
    bold.setBold(true);
    m_headline->setFont(bold);
    m_name = PlainLabel(this);
    m_bar = new QProgressBar(this);
    m_bar->setRange(0, 100);
    m_bar->setTextVisible(false);
    m_detail = PlainLabel(this);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    connect(m_cancel, &QPushButton::clicked, this, &ProgressWindow::Cancel);
    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    buttons->addWidget(m_cancel);
    for (QWidget* w : {static_cast<QWidget*>(m_headline), static_cast<QWidget*>(m_name),
                       static_cast<QWidget*>(m_bar), static_cast<QWidget*>(m_detail)}) {
        layout->addWidget(w);
    }
    layout->addLayout(buttons);
    m_cancel->hide(); // a lone operation cannot be cancelled from here

    m_idle.setInterval(kIdleMs);
    connect(&m_idle, &QTimer::timeout, this, &ProgressWindow::HideWhenIdle);
    m_sink.started = [this](const std::string& name, uint64_t total) { Started(name, total); };
    m_sink.advanced = [this](uint64_t done) { return Advanced(done); };
}

QString ProgressWindow::Headline() const {
    return m_headline->text();
}

QString ProgressWindow::ItemName() const {
    return m_name->text();
}

QString ProgressWindow::Detail() const {
    return m_detail->text();
}

int ProgressWindow::Percent() const {
    return m_bar->value();
}

void ProgressWindow::StartRun(CommandRun& run) {
    m_run = &run;
    m_running.start();
    m_lastPump.invalidate(); // the first report turns the loop at once
    m_cancel->setEnabled(true);
    m_cancel->setText(QStringLiteral("Cancel"));
    m_cancel->show();
}

void ProgressWindow::RunAdvanced(CommandRun& run) {
    if (!m_run) {
        StartRun(run);
    }
    // A run that starts inside the one followed (a request that arrived
    // while this one turned the event loop) is not the one shown.
    if (&run != m_run || (m_lastPump.isValid() && m_lastPump.elapsed() < kPumpMs)) {
        return;
    }
    m_lastPump.start();
    if (!isVisible() && m_running.elapsed() >= m_showAfterMs) {
        ShowRun(run);
        show();
        raise();
    }
    if (isVisible()) {
        ShowRun(run);
    }
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void ProgressWindow::RunEnded(const CommandRun& run) {
    if (&run != m_run) {
        return;
    }
    m_run = nullptr;
    m_running.invalidate();
    hide();
}

void ProgressWindow::ShowRun(const CommandRun& run) {
    const RunProgress& progress = run.progress;
    const RunReport& report = run.report;
    m_headline->setText(RunHeadline(report, progress));
    QString item = QString::fromStdString(progress.itemName);
    if (report.items > 1) {
        const int position = std::min(progress.itemsReached + 1, report.items);
        item += QStringLiteral(" (%1 of %2)").arg(position).arg(report.items);
    }
    m_name->setText(m_name->fontMetrics().elidedText(item, Qt::ElideMiddle, kTextWidth));
    if (progress.itemBytes > 0) {
        m_bar->setValue(static_cast<int>(
            std::min<uint64_t>(100, progress.itemBytesDone * 100 / progress.itemBytes)));
        m_detail->setText(ByteDetail(progress));
    } else {
        m_bar->setValue(report.items > 0 ? progress.itemsReached * 100 / report.items : 0);
        m_detail->clear();
    }
}

// "1.2 MB of 3.4 MB — 12.3 MB/s — about 5 s left", the rate and the time
// left once the rate has settled.
QString ProgressWindow::ByteDetail(const RunProgress& progress) const {
    QString text = BytesOfText(progress.itemBytesDone, progress.itemBytes);
    const qint64 ms = m_running.elapsed();
    if (ms < kSteadyRateMs || progress.bytesDone == 0) {
        return text;
    }
    const double rate = static_cast<double>(progress.bytesDone) * 1000.0 / static_cast<double>(ms);
    text += QStringLiteral(" \u2014 ") + RateText(rate);
    if (progress.itemBytes > progress.itemBytesDone) {
        const double left = static_cast<double>(progress.itemBytes - progress.itemBytesDone) / rate;
        text += QStringLiteral(" \u2014 ") + TimeLeftText(left);
    }
    return text;
}

void ProgressWindow::Cancel() {
    if (!m_run) {
        return;
    }
    m_run->progress.cancelRequested = true;
    m_cancel->setEnabled(false);
    m_cancel->setText(QStringLiteral("Cancelling\u2026"));
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    if (m_run) {
        event->ignore(); // the window goes when the run has stopped
        Cancel();
        return;
    }
    event->accept();
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
