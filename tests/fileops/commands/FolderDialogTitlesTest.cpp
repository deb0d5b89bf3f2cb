// Each destination command's folder dialog says what the folder is for and
// opens where the user last chose a folder.
#include "DestinationCommandFixture.h"
#include "fileops/commands/AliasCommand.h"
#include "fileops/commands/ArchiveCommand.h"
#include "fileops/commands/CopySelection.h"
#include "fileops/commands/HardLinkCommand.h"
#include "fileops/commands/MoveSelection.h"
#include "settings/SettingsKeys.h"

#include <filesystem>
#include <functional>

namespace ferrolet::test {
namespace {

using FolderDialogTitles = DestinationCommandTest;

TEST_F(FolderDialogTitles, EachCommandSaysItsVerbAndOpensWhereTheLastChoiceWas) {
    const std::string report = WriteFile("src/Report.pdf");
    const std::vector<std::string> three{report, WriteFile("src/b"), WriteFile("src/c")};
    struct Row {
        std::function<void(CommandContext&, int)> run;
        const char* one;
        const char* many;
    };
    const std::vector<Row> rows{
        {MoveSelectionToFolder, "Move \u201CReport.pdf\u201D To", "Move 3 Items To"},
        {CopySelectionToFolder, "Copy \u201CReport.pdf\u201D To", "Copy 3 Items To"},
        {ArchiveSelectionToFolder, "Archive \u201CReport.pdf\u201D To", "Archive 3 Items To"},
        {AliasSelectionToFolder, "Make an Alias of \u201CReport.pdf\u201D In",
         "Make Aliases of 3 Items In"},
        {HardLinkSelectionToFolder, "Make a Hard Link to \u201CReport.pdf\u201D In",
         "Make Hard Links to 3 Items In"},
    };
    for (const Row& row : rows) {
        m_platform.dialogs.clear();
        Select({report});
        row.run(*m_ctx, 0); // cancelled
        Select(three);
        row.run(*m_ctx, 0);
        ASSERT_EQ(m_platform.dialogs.size(), 2u);
        EXPECT_EQ(m_platform.dialogs[0].title.toStdString(), row.one);
        EXPECT_EQ(m_platform.dialogs[1].title.toStdString(), row.many);
    }
    EXPECT_TRUE(m_platform.dialogs[0].startFolder.empty()) << "nothing chosen yet: home";

    // A chosen folder is where the next dialog opens, for any command; once
    // it is gone, the home folder again.
    const std::string chosen = MakeDir("dest/chosen");
    Select({report});
    m_platform.dialogAnswers.push_back({chosen});
    CopySelectionToFolder(*m_ctx, 0);
    EXPECT_TRUE(Exists(chosen + "/Report.pdf"));
    m_platform.dialogs.clear();
    HardLinkSelectionToFolder(*m_ctx, 0);
    ASSERT_EQ(m_platform.dialogs.size(), 1u);
    EXPECT_EQ(m_platform.dialogs[0].startFolder, chosen);
    SettingsStore stored;
    stored.Synchronize();
    EXPECT_EQ(stored.Value(keys::LastChosenFolder).toString().toStdString(), chosen);

    std::filesystem::remove_all(Path("dest"));
    m_platform.dialogs.clear();
    MoveSelectionToFolder(*m_ctx, 0);
    ASSERT_EQ(m_platform.dialogs.size(), 1u);
    EXPECT_TRUE(m_platform.dialogs[0].startFolder.empty());
}

} // namespace
} // namespace ferrolet::test
