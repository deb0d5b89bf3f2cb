// The standard-folder table from the XDG user directories, created when missing.
#include "dispatch/StandardFolders.h"
#include "TestEnvironment.h"

#include <sys/stat.h>

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

TEST_F(StandardFoldersTest, TableCreatesMissingFolders) {
    WriteFile("home/.config/user-dirs.dirs", "XDG_PICTURES_DIR=\"$HOME/Bilder\"\n");
    const StandardFolderTable table = FillStandardFolderTable();
    const std::string home = Path("home");
    EXPECT_EQ(table[static_cast<int>(StandardFolder::Pictures)].path, home + "/Bilder");
    EXPECT_EQ(table[static_cast<int>(StandardFolder::DesktopPictures)].path,
              home + "/Bilder/Wallpapers");
    EXPECT_EQ(table[static_cast<int>(StandardFolder::Home)].path, home);
    for (const auto& entry : table) {
        struct stat st {};
        ASSERT_FALSE(entry.path.empty());
        EXPECT_EQ(stat(entry.path.c_str(), &st), 0) << entry.path;
        EXPECT_TRUE(entry.folder.IsValid());
    }
}

TEST_F(StandardFoldersTest, AFolderThatCannotBeMadeStaysAbsent) {
    // A file where the Music folder should be: it cannot be made.
    WriteFile("home/Music", "not a folder");
    const StandardFolderTable table = FillStandardFolderTable();
    EXPECT_TRUE(table[static_cast<int>(StandardFolder::Music)].path.empty());
    EXPECT_FALSE(table[static_cast<int>(StandardFolder::Documents)].path.empty());
}
