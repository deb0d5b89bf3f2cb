// Same-named items in the destination, for every command that files items
// somewhere: a unique name, a replacement, a refusal or an alias suffix as
// the command and the "replace" switch say, and never a lost item.
#include "../zip/ZipReadBack.h"
#include "CommandFixture.h"
#include "fileops/commands/AliasCommand.h"
#include "fileops/commands/ArchiveCommand.h"
#include "fileops/commands/CopySelection.h"
#include "fileops/commands/HardLinkCommand.h"
#include "fileops/commands/MoveSelection.h"
#include "fileops/engine/AliasLink.h"
#include "fileops/engine/FileEngine.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <unistd.h>

namespace ferrolet::test {
namespace {

enum class Outcome { Unique, Replaced, Refused };

class ClashTest : public CommandTest {
protected:
    // The one name in dest that is not taken.
    std::string NewName(const std::string& dest, const std::string& taken) {
        std::string found;
        for (const std::string& name : Names(dest)) {
            if (name != taken) {
                EXPECT_TRUE(found.empty()) << "two new names: " << found << ", " << name;
                found = name;
            }
        }
        return found;
    }
};

TEST_F(ClashTest, EachCommandAnswersAClashAsTheSwitchSays) {
    struct Row {
        const char* what;
        std::function<void(CommandContext&, int)> run;
        bool replace;
        const char* taken; // the clashing name in the destination
        Outcome outcome;
    };
    const Row rows[] = {
        {"move", MoveSelectionToFolder, false, "report.pdf", Outcome::Unique},
        {"move, replacing", MoveSelectionToFolder, true, "report.pdf", Outcome::Replaced},
        {"copy", CopySelectionToFolder, false, "report.pdf", Outcome::Refused},
        {"copy, replacing", CopySelectionToFolder, true, "report.pdf", Outcome::Replaced},
        {"archive", ArchiveSelectionToFolder, false, "report.pdf.zip", Outcome::Unique},
        {"archive, replacing", ArchiveSelectionToFolder, true, "report.pdf.zip", Outcome::Replaced},
        {"hard link", HardLinkSelectionToFolder, false, "report.pdf", Outcome::Refused},
        {"hard link, replacing", HardLinkSelectionToFolder, true, "report.pdf", Outcome::Replaced},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        RemoveAll({"dest", "src"});
        const std::string dest = MakeDir("dest");
        const std::string item = WriteFile("src/report.pdf", "new");
        WriteFile(std::string("dest/") + row.taken, "old");
        SetDestinations({dest});
        SetOption(keys::ReplaceFilesBySameName, row.replace);
        Select({item});
        m_platform = FakePlatform();

        row.run(*m_ctx, 1);

        const std::string taken = dest + "/" + row.taken;
        const std::string added = NewName(dest, row.taken);
        const bool archive = std::string(row.taken).ends_with(".zip");
        const auto contents = [&](const std::string& path) {
            return archive ? ReadZip(path).entries.at("report.pdf").data : ReadFile(path);
        };
        switch (row.outcome) {
        case Outcome::Unique:
            EXPECT_EQ(ReadFile(taken), "old");
            EXPECT_TRUE(
                IsUniqueForm(added, archive ? "report.pdf" : "report", archive ? ".zip" : ".pdf"))
                << added;
            EXPECT_EQ(contents(dest + "/" + added), "new");
            break;
        case Outcome::Replaced:
            EXPECT_EQ(added, "") << "nothing beside it, no hidden leftover";
            EXPECT_EQ(contents(taken), "new");
            break;
        case Outcome::Refused:
            EXPECT_EQ(added, "");
            EXPECT_EQ(ReadFile(taken), "old");
            EXPECT_TRUE(m_platform.sounds.isEmpty());
            break;
        }
        if (!std::string(row.what).starts_with("move")) {
            EXPECT_EQ(ReadFile(item), "new") << "the source stays";
        }
        EXPECT_EQ(m_platform.beeps, row.outcome == Outcome::Refused ? 1 : 0);
    }

    // An alias never replaces, whatever the switch says: it takes the next
    // free suffix, within the name limit.
    EXPECT_EQ(AliasNameFor(std::string(250, 'n'), 2), std::string(247, 'n') + " alias 2");
    SetOption(keys::ReplaceFilesBySameName, true);
    const std::string item = WriteFile("Docs/file.txt", "the original");
    WriteFile("Aliases/file.txt", "someone else's file");
    MakeDir("Aliases/file.txt alias");
    ASSERT_EQ(symlink("/nowhere", Path("Aliases/file.txt alias 2").c_str()), 0);
    SetDestinations({Path("Aliases")});
    Select({item});
    AliasSelectionToFolder(*m_ctx, 1);
    EXPECT_EQ(std::filesystem::read_symlink(Path("Aliases/file.txt alias 3")), item);
    EXPECT_EQ(std::filesystem::read_symlink(Path("Aliases/file.txt alias 2")), "/nowhere");
    EXPECT_EQ(ReadFile(Path("Aliases/file.txt")), "someone else's file");
    EXPECT_EQ(m_platform.beeps, 0);
}

TEST_F(ClashTest, AcrossFileSystemsTheReplacedItemKeepsItsNameUntilTheCopyIsComplete) {
    const std::string dest = OtherFs();
    std::ofstream(dest + "/movie.bin") << "the version already there";
    const std::string source = WriteFile("src/movie.bin", std::string(3 << 20, 'n'));
    SetOption(keys::ReplaceFilesBySameName, true);
    SetDestinations({dest});
    Select({source});
    std::vector<std::string> namesDuringCopy;
    std::string contentDuringCopy;
    ProgressSink sink;
    sink.advanced = [&](uint64_t) {
        if (namesDuringCopy.empty()) {
            namesDuringCopy = Names(dest);
            std::erase_if(namesDuringCopy,
                          [](auto& n) { return n.starts_with(kPartialCopyPrefix); });
            contentDuringCopy = ReadFile(dest + "/movie.bin");
        }
        return true;
    };
    m_ctx->progress = &sink;
    MoveSelectionToFolder(*m_ctx, 1);
    m_ctx->progress = nullptr;
    EXPECT_EQ(namesDuringCopy, std::vector<std::string>{"movie.bin"});
    EXPECT_EQ(contentDuringCopy, "the version already there");
    EXPECT_EQ(Names(dest), std::vector<std::string>{"movie.bin"});
    EXPECT_EQ(ReadFile(dest + "/movie.bin"), std::string(3 << 20, 'n'));
    EXPECT_FALSE(Exists(source));
}

} // namespace
} // namespace ferrolet::test
