#pragma once

#include "fileops/commands/RunWatcher.h"
#include "fileops/engine/ProgressSink.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;

namespace ferrolet {

struct RunProgress;

// A small window that follows a command run: what it does and where to
// ("Moving 3 items to Projects"), the item in hand, its bytes, the rate and
// the time left, and a Cancel button that stops the run after the item in
// hand. Commands run on the main thread; the window turns the event loop
// from the run's reports, at most every few tens of milliseconds, so it
// paints and its button answers. It appears only once a run has lasted
// showAfterMs (no flash for quick runs) and goes away when the run ends.
//
// Sink() serves a lone engine call outside any run: the window then shows the
// item and its percentage, and goes away once the reports have stopped.
class ProgressWindow : public QWidget, public RunWatcher {
    Q_OBJECT
public:
    explicit ProgressWindow(int showAfterMs = 500, QWidget* parent = nullptr);

    void RunAdvanced(CommandRun& run) override;
    void RunEnded(const CommandRun& run) override;

    // The sink for a lone engine call.
    const ProgressSink* Sink() const { return &m_sink; }

    // What the window shows now.
    QString Headline() const;
    QString ItemName() const;
    QString Detail() const;
    int Percent() const;
    QPushButton* CancelButton() const { return m_cancel; }

protected:
    // Closing the window cancels the run, as the button does.
    void closeEvent(QCloseEvent* event) override;

private:
    void Cancel();
    void StartRun(CommandRun& run);
    void ShowRun(const CommandRun& run);
    QString ByteDetail(const RunProgress& progress) const;
    void Started(const std::string& itemName, uint64_t totalBytes);
    bool Advanced(uint64_t bytesDone);
    void Touch();
    void HideWhenIdle();

    int m_showAfterMs;
    QLabel* m_headline = nullptr;
    QLabel* m_name = nullptr;
    QProgressBar* m_bar = nullptr;
    QLabel* m_detail = nullptr;
    QPushButton* m_cancel = nullptr;
    // The run being followed, from its first report to its end.
    CommandRun* m_run = nullptr;
    QElapsedTimer m_running; // since the run (or lone operation) began
    QElapsedTimer m_lastPump;
    QElapsedTimer m_lastReport;
    QTimer m_idle;
    uint64_t m_total = 0;
    ProgressSink m_sink;
};

} // namespace ferrolet
