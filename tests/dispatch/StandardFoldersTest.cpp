// The standard-folder table from the XDG user directories, created when missing.
#include "dispatch/StandardFolders.h"
#include "TestEnvironment.h"

using namespace ferrolet;
using StandardFoldersTest = ferrolet::test::TempHome;

TEST_F(StandardFoldersTest, UserDirsDecideAndMissingKeysUseEnglishNames) {
    const std::string home = Path("home");
    const std::string dirs = WriteFile("user-dirs.dirs", "# written by xdg-user-dirs-update\n"
                                                         "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n"
                                                         "XDG_PICTURES_DIR=\"/srv/pics\"\n"
                                                         "XDG_VIDEOS_DIR=\"$HOME/Vid\\\"eos\"\n"
                                                         "XDG_MUSIC_DIR=relative-is-ignored\n");
    const std::pair<StandardFolder, std::string> rows[] = {
        {StandardFolder::Documents, home + "/Dokumente"},
        {StandardFolder::Pictures, "/srv/pics"},
        {StandardFolder::DesktopPictures, "/srv/pics/Wallpapers"},
        {StandardFolder::Movies, home + "/Vid\"eos"},
        {StandardFolder::Music, home + "/Music"},
        {StandardFolder::Sites, home + "/public_html"},
        {StandardFolder::Home, home},
    };
    for (const auto& [folder, path] : rows) {
        EXPECT_EQ(StandardFolderPath(folder, home, dirs), path);
    }
}

TEST_F(StandardFoldersTest, TableMakesNothingAndAFolderSetToHomeIsOff) {
    WriteFile("home/.config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n"
                                             "XDG_MUSIC_DIR=\"$HOME/\"\n"
                                             "XDG_DESKTOP_DIR=\"$HOME\"\n");
    const StandardFolderTable table = FillStandardFolderTable();
    auto row = [&](StandardFolder folder) { return table[static_cast<int>(folder)]; };
    EXPECT_EQ(row(StandardFolder::DesktopPictures).path, Path("home/Bilder/Wallpapers"));
    EXPECT_EQ(row(StandardFolder::Home).path, Path("home"));
    EXPECT_FALSE(row(StandardFolder::Home).disabled);
    for (StandardFolder off : {StandardFolder::Music, StandardFolder::Desktop}) {
        EXPECT_TRUE(row(off).disabled && row(off).path.empty());
    }
    EXPECT_EQ(Names(Path("home")), std::vector<std::string>{".config"}) << "the table made folders";
}
