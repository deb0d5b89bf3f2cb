// Add Folder, Remove Folder and Open Folder against the real settings file,
// read back as another program would (Python's plistlib).
#include "CommandFixture.h"
#include "fileops/commands/DestinationListCommands.h"
#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"

using namespace ferrolet;

namespace {

class DestinationListTest : public ferrolet::test::CommandTest {
protected:
    // One line per stored entry of "PathnamesAliases": the entry's size and
    // whether the given path's bytes are in it, as plistlib reads the file.
    std::string StoredEntries(const std::vector<std::string>& paths) {
        std::string script =
            "import plistlib,sys\n"
            "d=plistlib.load(open(sys.argv[1],'rb'))\n"
            "for e in d.get('PathnamesAliases',[]):\n"
            "  hits=[i for i,p in enumerate(sys.argv[2:]) if p.encode()+b'\\0' in e or "
            "e.find(p.encode())>=0]\n"
            "  print(type(e).__name__, hits)\n";
        std::vector<std::string> argv{"python3", "-c", script, m_settings->FilePath()};
        argv.insert(argv.end(), paths.begin(), paths.end());
        std::string out;
        EXPECT_EQ(ferrolet::test::RunProgram(argv, &out), 0);
        return out;
    }
    QStringList Listed() { return FolderPathnames(*m_settings, keys::PathnamesAliases); }
};

TEST_F(DestinationListTest, AddFolderAppendsTheOnePlainFolderOnly) {
    const std::string keep = MakeDir("Keep");
    const std::string box = MakeDir("Box");
    const std::string file = WriteFile("file.txt");
    const std::string app = MakeDir("Tool.AppDir");
    WriteFile("Tool.AppDir/AppRun", "#!/bin/sh\n");
    ASSERT_EQ(chmod(Path("Tool.AppDir/AppRun").c_str(), 0755), 0);
    SetDestinations({keep});

    for (const auto& selection :
         std::vector<std::vector<std::string>>{{box, keep}, {file}, {app}, {Path("missing")}}) {
        Select(selection);
        AddSelectedFolder(*m_ctx);
    }
    EXPECT_EQ(Listed(), QStringList{QString::fromStdString(keep)});
    EXPECT_EQ(m_tableUpdates, 0);

    Select({box});
    AddSelectedFolder(*m_ctx);
    EXPECT_EQ(Listed(), (QStringList{QString::fromStdString(keep), QString::fromStdString(box)}));
    EXPECT_EQ(m_tableUpdates, 1);
    EXPECT_EQ(StoredEntries({keep, box}), "bytes [0]\nbytes [1]\n");
}

TEST_F(DestinationListTest, RemoveFolderGoesByIdentityNotByLetterCase) {
    const std::string upper = MakeDir("Proj");
    const std::string lower = MakeDir("proj");
    const std::string other = MakeDir("Other");
    SetDestinations({other, upper});

    // "proj" is another folder: the entry for "Proj" stays.
    Select({lower});
    RemoveSelectedFolder(*m_ctx);
    EXPECT_EQ(Listed(),
              (QStringList{QString::fromStdString(other), QString::fromStdString(upper)}));

    // Reached through a link, "Proj" is still "Proj".
    ASSERT_EQ(symlink(upper.c_str(), Path("via-link").c_str()), 0);
    SetDestinations({other, Path("via-link"), upper});
    Select({upper});
    RemoveSelectedFolder(*m_ctx);
    EXPECT_EQ(Listed(), (QStringList{QString::fromStdString(other), QString::fromStdString(upper)}))
        << "only the first entry designating it goes";
    RemoveSelectedFolder(*m_ctx);
    EXPECT_EQ(Listed(), QStringList{QString::fromStdString(other)});
    EXPECT_EQ(StoredEntries({other, upper}), "bytes [0]\n");
    EXPECT_GE(m_tableUpdates, 3);
}

TEST_F(DestinationListTest, OpenFolderOpensTheListedFolderOnly) {
    const std::string one = MakeDir("One");
    const std::string two = MakeDir("Two");
    const std::string gone = MakeDir("Gone");
    SetDestinations({one, two, gone});
    ASSERT_EQ(rmdir(gone.c_str()), 0);
    m_selection = SelectionSnapshot{}; // needs no selection
    OpenListedFolder(*m_ctx, 2);
    OpenListedFolder(*m_ctx, 3); // "<< Folder Not Found >>"
    OpenListedFolder(*m_ctx, 4);
    OpenListedFolder(*m_ctx, 0);
    EXPECT_EQ(m_platform.openedFolders, std::vector<std::string>{two});
    EXPECT_TRUE(m_platform.sounds.isEmpty());
    EXPECT_TRUE(LogLines().isEmpty());
}

} // namespace
