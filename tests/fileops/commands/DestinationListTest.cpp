// Add Folder, Remove Folder and Open Folder on the destination list: only a
// plain folder is added, entries go by the folder's identity, and a folder
// that is gone is never opened. (Positions, undo and the list read back by a
// second store: the journal's FolderListUndoTest.)
#include "CommandFixture.h"
#include "fileops/commands/DestinationListCommands.h"
#include "settings/FolderLists.h"

namespace ferrolet::test {
namespace {

class DestinationListTest : public CommandTest {
protected:
    QStringList Listed() { return FolderPathnames(*m_settings, keys::PathnamesAliases); }
};

TEST_F(DestinationListTest, AddTakesOnePlainFolderRemoveGoesByIdentityOpenOpensWhatIsThere) {
    const std::string keep = MakeDir("Keep");
    const std::string box = MakeDir("Box");
    ASSERT_EQ(chmod(WriteFile("Tool.AppDir/AppRun", "#!/bin/sh\n").c_str(), 0755), 0);
    SetDestinations({keep});
    for (const auto& selection : std::vector<std::vector<std::string>>{
             {box, keep}, {WriteFile("file.txt")}, {Path("Tool.AppDir")}, {Path("missing")}}) {
        Select(selection);
        AddSelectedFolder(*m_ctx);
    }
    EXPECT_EQ(Listed(), Paths({keep}));
    EXPECT_EQ(m_tableUpdates, 0);
    Select({box});
    AddSelectedFolder(*m_ctx);
    EXPECT_EQ(Listed(), Paths({keep, box}));
    EXPECT_EQ(m_tableUpdates, 1);

    // Remove Folder goes by identity.
    const std::string upper = MakeDir("Proj");
    const std::string other = MakeDir("Other");
    ASSERT_EQ(symlink(upper.c_str(), Path("via-link").c_str()), 0);
    SetDestinations({other, Path("via-link"), upper});
    // "proj" is another folder than "Proj": nothing goes.
    Select({MakeDir("proj")});
    RemoveSelectedFolder(*m_ctx);
    EXPECT_EQ(Listed().size(), 3);
    // Reached through a link, "Proj" is still "Proj": one entry a time.
    Select({upper});
    RemoveSelectedFolder(*m_ctx);
    EXPECT_EQ(Listed(), Paths({other, upper}));
    RemoveSelectedFolder(*m_ctx);
    EXPECT_EQ(Listed(), Paths({other}));

    SetDestinations({other, upper, MakeDir("Gone")});
    ASSERT_EQ(rmdir(Path("Gone").c_str()), 0);
    m_selection = SelectionSnapshot{};     // needs no selection
    for (const int index : {2, 3, 4, 0}) { // 3: "<< Folder Not Found >>"
        OpenListedFolder(*m_ctx, index);
    }
    EXPECT_EQ(m_platform.openedFolders, std::vector<std::string>{upper});
    EXPECT_TRUE(m_platform.sounds.isEmpty());
}

} // namespace
} // namespace ferrolet::test
