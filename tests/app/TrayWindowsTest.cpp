// The windows of the tray program on the suite's X server (offscreen without
// one): the tray menu drawn from its model, and the progress window that
// follows lone engine calls and whole command runs. FERROLET_SCREENSHOT_DIR
// set, the tests leave menu.png and progress-window.png there (docs/images
// holds them).
#include "MenuFixture.h"
#include "PrivateBus.h"
#include "app/gui/MenuRenderer.h"
#include "app/gui/ProgressWindow.h"
#include "fileops/commands/CommandRun.h"
#include "fileops/engine/FileEngine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>

namespace ferrolet::test {
namespace {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "tray_windows_tests";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (!QApplication::instance()) {
        new QApplication(argc, argv);
    }
}
void SavePicture(QWidget& window, const char* name) {
    if (const QByteArray dir = qgetenv("FERROLET_SCREENSHOT_DIR"); !dir.isEmpty()) {
        window.grab().save(QString::fromLocal8Bit(dir) + "/" + name);
    }
}

using TrayMenuTest = MenuFixture;

// Titles of a drawn menu, submenus indented, as the model's text spells them.
void Titles(const QMenu& menu, QStringList& out, const QString& indent = {}) {
    for (const QAction* action : menu.actions()) {
        out << indent + (action->isSeparator() ? "---" : action->text());
        if (action->menu()) {
            emit action->menu()->aboutToShow(); // submenus are filled as they open
            Titles(*action->menu(), out, indent + "  ");
        }
    }
}

TEST_F(TrayMenuTest, TheDrawnMenuIsTheModelAndChoosesItsItems) {
    EnsureApplication();
    SelectPaths({WriteFile("Downloads/Invoice 2025-03.pdf"), WriteFile("Downloads/Holiday.jpg"),
                 WriteFile("Downloads/notes.txt")});
    SetDestinations({MakeDir("Documents/Invoices"), MakeDir("Pictures/Holidays"),
                     MakeDir("Projects/Ferrolet")});
    SetExtensions({"pdf"}, {Path("Documents/Invoices")});
    SetSwitches({keys::IncludeAliasTo, keys::IncludeHardLinkTo});
    Core().Setup();
    QMenu menu;
    menu.setToolTipsVisible(true);
    std::vector<int> chosen;
    RenderMenu(Core().StatusMenu(), &menu,
               [&](const MenuItem& item) { chosen.push_back(item.tag); });
    QStringList expected, shown;
    for (const QString& line : MenuToText(Core().StatusMenu()).split('\n', Qt::SkipEmptyParts)) {
        expected << line.section('\t', 0, 0);
    }
    Titles(menu, shown);
    EXPECT_EQ(shown, expected);
    ASSERT_TRUE(expected.contains("Put In Its Place"));
    for (QAction* action : menu.actions()) {
        if (action->text() == "Put In Its Place") {
            action->trigger();
        } else if (action->text() == "Move To") {
            action->menu()->actions().at(2)->trigger(); // after Choose Folder… and a line
        }
    }
    EXPECT_EQ(chosen, (std::vector<int>{-1003, 1001}));

    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    SavePicture(menu, "menu.png");
}

class ProgressWindowTest : public TempHome {
protected:
    void SetUp() override {
        EnsureApplication();
        TempHome::SetUp();
    }
    // Reports the run to the window until condition holds.
    static bool AdvanceUntil(ProgressWindow& window, CommandRun& run,
                             const std::function<bool()>& condition) {
        return WaitFor([&] {
            window.RunAdvanced(run);
            return condition();
        });
    }
};

TEST_F(ProgressWindowTest, LoneEngineCallsShowOnlyWhenLongAndGoAwayAfter) {
    ProgressWindow quiet(60000);
    quiet.Sink()->started("photo.jpg", 200);
    EXPECT_TRUE(quiet.Sink()->advanced(50));
    EXPECT_FALSE(quiet.isVisible());
    EXPECT_EQ(quiet.ItemName(), "photo.jpg");
    EXPECT_EQ(quiet.Percent(), 25);

    ProgressWindow window(0);
    const std::string big = WriteFile("big.bin", std::string(8 << 20, 'x'));
    FileRef copy;
    ASSERT_EQ(CopyObject(Ref(big), FolderRef(MakeDir("dest")), nullptr, &copy, window.Sink()), 0);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.ItemName(), "big.bin");
    EXPECT_EQ(window.Percent(), 100);
    EXPECT_TRUE(WaitFor([&] { return !window.isVisible(); }));
}

TEST_F(ProgressWindowTest, AppearsAfterHalfASecondAndSaysWhatTheRunDoes) {
    CommandRun run;
    run.report.verb = QStringLiteral("Move To");
    run.report.destination = QStringLiteral("Projects");
    run.report.items = 3;
    run.progress.itemsReached = 1;
    run.progress.itemName = "big.iso";
    run.progress.itemBytes = 3400000;
    run.progress.itemBytesDone = run.progress.bytesDone = 1200000;
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
    SavePicture(window, "progress-window.png");
    // Cancel asks the run to stop (what the run does then: RunCancelTest).
    QTest::mouseClick(window.CancelButton(), Qt::LeftButton);
    EXPECT_TRUE(run.progress.cancelRequested && !window.CancelButton()->isEnabled());
    // A lone item is named, and counted by items while its size is unknown.
    run.report.verb = QStringLiteral("Copy To");
    run.report.items = 1;
    run.progress.itemBytes = 0;
    ASSERT_TRUE(AdvanceUntil(window, run, [&] { return window.Percent() == 100; }));
    EXPECT_EQ(window.Headline().toStdString(), "Copying \u201cbig.iso\u201d to Projects");
    EXPECT_EQ(window.ItemName().toStdString(), "big.iso");
    window.RunEnded(run);
    EXPECT_FALSE(window.isVisible());
}

} // namespace
} // namespace ferrolet::test
