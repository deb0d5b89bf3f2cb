// The standard-folder paths from the XDG user directories. The table the
// services use (made nothing, a folder set to the home itself is off) is
// tested through the requests in HandleMenuSelectionTest.
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
