// The progress window following command runs on the suite's X server: it
// appears only once a run has lasted half a second, says what the run does,
// where to and how far it has got, and its Cancel button stops a real copy.
#include "../fileops/commands/CommandFixture.h"
#include "app/gui/ProgressWindow.h"
#include "fileops/commands/CommandRun.h"
#include "fileops/commands/CopySelection.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

namespace ferrolet::test {
namespace {

class ProgressRunWindowTest : public CommandTest {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "progress_run_tests";
        static char* argv[] = {name, nullptr};
        if (qEnvironmentVariableIsEmpty("DISPLAY")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        if (!QApplication::instance()) {
            new QApplication(argc, argv);
        }
    }
    // Reports the run to the window until condition holds (30 s at most).
    static bool AdvanceUntil(ProgressWindow& window, CommandRun& run,
                             const std::function<bool()>& condition) {
        QElapsedTimer deadline;
        deadline.start();
        while (!condition() && deadline.elapsed() < 30000) {
            window.RunAdvanced(run);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return condition();
    }
};

TEST_F(ProgressRunWindowTest, AppearsAfterHalfASecondAndSaysWhatTheRunDoes) {
    CommandRun run;
    run.report.verb = QStringLiteral("Move To");
    run.report.destination = QStringLiteral("Projects");
    run.report.items = 3;
    run.progress.itemsReached = 1;
    run.progress.itemName = "big.iso";
    run.progress.itemBytes = 3400000;
    run.progress.itemBytesDone = 1200000;
    run.progress.bytesDone = 1200000;
    {
        // A run that ends before half a second never shows the window.
        ProgressWindow window;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 5; ++i) {
            window.RunAdvanced(run);
        }
        const bool quick = clock.elapsed() < 500;
        const bool shown = window.isVisible();
        window.RunEnded(run);
        if (quick) {
            EXPECT_FALSE(shown);
        }
        EXPECT_FALSE(window.isVisible());
    }
    ProgressWindow window;
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(AdvanceUntil(window, run, [&] { return window.isVisible(); }));
    EXPECT_GE(clock.elapsed(), 500);
    EXPECT_EQ(window.Headline().toStdString(), "Moving 3 items to Projects");
    EXPECT_EQ(window.ItemName().toStdString(), "big.iso (2 of 3)");
    EXPECT_TRUE(window.Detail().startsWith(QStringLiteral("1.2 MB of 3.4 MB")));
    // Once the rate has settled: the rate and the time left.
    ASSERT_TRUE(AdvanceUntil(window, run, [&] { return window.Detail().contains("left"); }));
    EXPECT_TRUE(window.Detail().contains(QRegularExpression(" \u2014 [0-9.]+ [kMGT]?B/s \u2014 ")))
        << window.Detail().toStdString();
    EXPECT_TRUE(window.CancelButton()->isVisible());
    if (const QByteArray dir = qgetenv("FERROLET_SCREENSHOT_DIR"); !dir.isEmpty()) {
        window.grab().save(QString::fromLocal8Bit(dir) + QStringLiteral("/progress-window.png"));
    }
    window.RunEnded(run);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(ProgressRunWindowTest, CancelButtonStopsARealCopy) {
    const std::string source = WriteFile("big.bin", std::string(24 << 20, 'b'));
    const std::string dest = MakeDir("dest");
    Select({source});
    SetDestinations({dest});
    ProgressWindow window(0);
    m_ctx->watcher = &window;
    // A slow disk: every megabyte takes a while, so the window is up and
    // clicked long before the copy could end.
    bool clicked = false;
    ProgressSink slowDisk;
    slowDisk.advanced = [&](uint64_t) {
        QElapsedTimer megabyte;
        megabyte.start();
        while (megabyte.elapsed() < 50) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        if (window.isVisible() && !clicked) {
            QTest::mouseClick(window.CancelButton(), Qt::LeftButton);
            clicked = true;
        }
        return true;
    };
    m_ctx->progress = &slowDisk;
    CopySelectionToFolder(*m_ctx, 1);
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(ReadFile(source).size(), 24u << 20);
    EXPECT_FALSE(Exists(dest + "/big.bin"));
    ASSERT_EQ(m_platform.notifications.size(), 1);
    EXPECT_TRUE(
        m_platform.notifications.front().startsWith("Copied 0 of 1 item to dest; cancelled"));
}

} // namespace
} // namespace ferrolet::test
