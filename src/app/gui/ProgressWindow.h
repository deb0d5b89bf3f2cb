#pragma once

#include "fileops/engine/ProgressSink.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <string>

class QLabel;
class QProgressBar;

namespace ferrolet {

// A small window that shows the item being copied or moved and how far it
// has got, so that a long operation on the main thread does not look like a
// hang. It appears only once an operation has run for showAfterMs, keeps the
// event loop turning while it runs, and goes away once progress reports have
// stopped (the operation has returned to the event loop).
class ProgressWindow : public QWidget {
    Q_OBJECT
public:
    explicit ProgressWindow(int showAfterMs = 2000, QWidget* parent = nullptr);

    // The sink to hand to the commands (AppCore::progress).
    const ProgressSink* Sink() const { return &m_sink; }

    QString ItemName() const;
    int Percent() const;

private:
    void Started(const std::string& itemName, uint64_t totalBytes);
    bool Advanced(uint64_t bytesDone);
    void Touch();
    void HideWhenIdle();

    int m_showAfterMs;
    QLabel* m_name = nullptr;
    QProgressBar* m_bar = nullptr;
    QElapsedTimer m_running; // since the operation began
    QElapsedTimer m_lastReport;
    QTimer m_idle;
    uint64_t m_total = 0;
    ProgressSink m_sink;
};

} // namespace ferrolet
