#include "desktop/DesktopPlatform.h"
#include "TestEnvironment.h"
#include "desktop/ThemeSound.h"

#include <gtest/gtest.h>

namespace ferrolet {
namespace {

class DesktopPlatformTest : public test::TempHome {};

TEST_F(DesktopPlatformTest, ThemeSoundsAreFoundByNameAndNothingElse) {
    const std::string folder = MakeDir("theme");
    WriteFile("theme/complete.oga");
    WriteFile("theme/complete.wav");
    WriteFile("theme/bell.ogg");
    WriteFile("theme/only.wav");
    MakeDir("theme/folder.oga");
    WriteFile("outside.oga");
    EXPECT_EQ(ThemeSoundFile(QStringLiteral("complete"), folder), folder + "/complete.oga");
    EXPECT_EQ(ThemeSoundFile(QStringLiteral("bell"), folder), folder + "/bell.ogg");
    EXPECT_EQ(ThemeSoundFile(QStringLiteral("only"), folder), folder + "/only.wav");
    for (const char* name :
         {"", "missing", "folder", "../outside", "..", ".", "/etc/passwd", "complete.oga"}) {
        EXPECT_EQ(ThemeSoundFile(QString::fromUtf8(name), folder), "") << name;
    }
    // The real theme, installed with the program's dependencies.
    EXPECT_NE(ThemeSoundFile(QStringLiteral("complete")), "");
}

TEST_F(DesktopPlatformTest, BeepFallsBackToTheDisplayBellOnlyWhenNoSoundPlays) {
    DesktopPlatform platform;
    int bells = 0;
    platform.SetDisplayBell([&] { ++bells; });
    platform.Beep();
    platform.Beep();
    // With a sound card the theme's bell plays and the display stays quiet;
    // without one (as on CI) each beep rings the display's bell.
    EXPECT_TRUE(bells == 0 || bells == 2) << bells;
    // Sounds that are not there, and ones that are: never a crash or a wait.
    platform.PlaySound(QStringLiteral("no-such-sound"));
    platform.PlaySound(QStringLiteral("complete"));
    EXPECT_TRUE(platform.ChooseFolders(FolderDialogRequest{}).empty());
    const QDateTime before = QDateTime::currentDateTime();
    EXPECT_GE(platform.Now(), before);
}

} // namespace
} // namespace ferrolet
