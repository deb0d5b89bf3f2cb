// The standard-folder table from the XDG user directories, created when missing.
#include "dispatch/StandardFolders.h"
#include "TestEnvironment.h"

#include <filesystem>

using namespace ferrolet;

class StandardFoldersTest : public ferrolet::test::TempHome {};

TEST_F(StandardFoldersTest, UserDirsDecideAndMissingKeysUseEnglishNames) {
    const std::string home = Path("home");
    const std::string dirs = WriteFile("user-dirs.dirs", "# written by xdg-user-dirs-update\n"
                                                         "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n"
                                                         "XDG_PICTURES_DIR=\"/srv/pics\"\n"
                                                         "XDG_VIDEOS_DIR=\"$HOME/Vid\\\"eos\"\n"
                                                         "XDG_MUSIC_DIR=relative-is-ignored\n");
    EXPECT_EQ(StandardFolderPath(StandardFolder::Documents, home, dirs), home + "/Dokumente");
    EXPECT_EQ(StandardFolderPath(StandardFolder::Pictures, home, dirs), "/srv/pics");
    EXPECT_EQ(StandardFolderPath(StandardFolder::DesktopPictures, home, dirs),
              "/srv/pics/Wallpapers");
    EXPECT_EQ(StandardFolderPath(StandardFolder::Movies, home, dirs), home + "/Vid\"eos");
    EXPECT_EQ(StandardFolderPath(StandardFolder::Music, home, dirs), home + "/Music");
    EXPECT_EQ(StandardFolderPath(StandardFolder::Desktop, home, dirs), home + "/Desktop");
    EXPECT_EQ(StandardFolderPath(StandardFolder::Sites, home, dirs), home + "/public_html");
    EXPECT_EQ(StandardFolderPath(StandardFolder::Home, home, dirs), home);
}

TEST_F(StandardFoldersTest, TableMakesNothingAndAFolderSetToHomeIsOff) {
    WriteFile("home/.config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n"
                                             "XDG_MUSIC_DIR=\"$HOME/\"\n"
                                             "XDG_DESKTOP_DIR=\"$HOME\"\n");
    const StandardFolderTable table = FillStandardFolderTable();
    const std::string home = Path("home");
    EXPECT_EQ(table[static_cast<int>(StandardFolder::Pictures)].path, home + "/Bilder");
    EXPECT_EQ(table[static_cast<int>(StandardFolder::DesktopPictures)].path,
              home + "/Bilder/Wallpapers");
    EXPECT_EQ(table[static_cast<int>(StandardFolder::Home)].path, home);
    for (StandardFolder off : {StandardFolder::Music, StandardFolder::Desktop}) {
        EXPECT_TRUE(table[static_cast<int>(off)].disabled);
        EXPECT_TRUE(table[static_cast<int>(off)].path.empty());
    }
    EXPECT_FALSE(table[static_cast<int>(StandardFolder::Home)].disabled);
    std::vector<std::string> inHome;
    for (const auto& entry : std::filesystem::directory_iterator(home)) {
        inHome.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(inHome, std::vector<std::string>{".config"}) << "the table made folders";
}
