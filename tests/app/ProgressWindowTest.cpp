// The progress window driven by the file engine's reports: it names the item,
// follows the bytes, appears only for long operations and goes away after.
#include "app/gui/ProgressWindow.h"
#include "TestEnvironment.h"
#include "fileops/engine/FileEngine.h"

#include <QApplication>
#include <QElapsedTimer>

#include <fstream>

using namespace ferrolet;

namespace {

class ProgressWindowTest : public ferrolet::test::TempHome {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "progress_tests";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance()) {
            new QApplication(argc, argv);
        }
    }
    // Turns the event loop until the condition holds; the deadline only
    // stops a hung test.
    static bool WaitFor(const std::function<bool()>& condition) {
        QElapsedTimer clock;
        clock.start();
        while (!condition() && clock.elapsed() < 120000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        }
        return condition();
    }
};

TEST_F(ProgressWindowTest, ShortOperationsShowNothing) {
    ProgressWindow window(60000);
    window.Sink()->started("photo.jpg", 200);
    EXPECT_TRUE(window.Sink()->advanced(50));
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.ItemName(), "photo.jpg");
    EXPECT_EQ(window.Percent(), 25);
}

TEST_F(ProgressWindowTest, FollowsARealCopyAndGoesAwayAfterIt) {
    ProgressWindow window(0);
    const std::string big = Path("big.bin");
    {
        std::ofstream out(big, std::ios::binary);
        const std::string block(1 << 20, 'x');
        for (int i = 0; i < 48; ++i) {
            out << block;
        }
    }
    MakeDir("dest");
    FileRef item, dest, copy;
    ASSERT_EQ(FileRef::FromPath(big, item), 0);
    ASSERT_EQ(FileRef::FromPath(Path("dest"), dest), 0);
    ASSERT_EQ(CopyObject(item, dest, nullptr, &copy, window.Sink()), 0);
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.ItemName(), "big.bin");
    EXPECT_EQ(window.Percent(), 100);
    EXPECT_TRUE(WaitFor([&] { return !window.isVisible(); }));
}

} // namespace
