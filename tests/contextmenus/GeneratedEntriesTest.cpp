// Every generated entry run as its file manager runs it: the items
// substituted the way that file manager substitutes them, the built program
// run with no bus, and the right files checked where they went.
#include "FileManagerEntries.h"
#include "MenuFilesFixture.h"
#include "dispatch/CommandIds.h"

#include <filesystem>

namespace ferrolet::test {
namespace {

namespace fs = std::filesystem;

class GeneratedEntries : public MenuFilesFixture {
protected:
    // What the entry of tag did with the two items, checked on the disk.
    void Check(int tag, const Items& items, const std::string& where) {
        SCOPED_TRACE(where);
        const std::string x = fs::path(items[0]).filename(), y = fs::path(items[1]).filename();
        const std::string dest = tag == cmd::PutInItsPlace ? m_texts
                                 : tag > 0 ? m_dests.at(DecodeMenuItemTag(tag)->folderIndex - 1)
                                           : "";
        if (tag == cmd::WrapItems) {
            std::vector<std::string> made = Names(fs::path(items[0]).parent_path());
            std::erase_if(made, [&](const std::string& n) { return n == x || n == y; });
            ASSERT_EQ(made.size(), 1u);
            const std::string wrapper = fs::path(items[0]).parent_path() / made[0];
            EXPECT_TRUE(Exists(wrapper + "/" + x) && Exists(wrapper + "/" + y));
            return;
        }
        switch (tag == cmd::PutInItsPlace ? DestinationCommand::MoveTo
                                          : DecodeMenuItemTag(tag)->command) {
        case DestinationCommand::MoveTo:
            EXPECT_TRUE(Exists(dest + "/" + x) && Exists(dest + "/" + y));
            EXPECT_FALSE(Exists(items[0]) || Exists(items[1]));
            break;
        case DestinationCommand::CopyTo:
            EXPECT_EQ(ReadFile(dest + "/" + x) + ReadFile(dest + "/" + y),
                      ReadFile(items[0]) + ReadFile(items[1]));
            break;
        case DestinationCommand::ArchiveTo: {
            // The first item in an archive there (several items in one
            // archive is Archive To's own matter).
            std::string found;
            RunProgram({"python3", "-c",
                        "import glob,sys,zipfile\nprint(sum(sys.argv[2] in zipfile.ZipFile(f)"
                        ".namelist() for f in glob.glob(glob.escape(sys.argv[1]) + '/*.zip')))",
                        dest, x},
                       &found);
            EXPECT_EQ(found, "1\n");
            break;
        }
        case DestinationCommand::AliasTo:
            EXPECT_EQ(fs::read_symlink(dest + "/" + x), items[0]);
            EXPECT_EQ(fs::read_symlink(dest + "/" + y), items[1]);
            break;
        case DestinationCommand::HardLinkTo:
            EXPECT_EQ(Inode(dest + "/" + y), Inode(items[1]));
            EXPECT_NE(Inode(items[1]), 0u);
            break;
        case DestinationCommand::OpenFolder:
            ADD_FAILURE() << "Open Folder has no context-menu entry";
        }
    }

    std::vector<std::string> m_dests;
    std::string m_texts;
};

TEST_F(GeneratedEntries, EachEntryActsOnExactlyTheRightClickedItems) {
    m_dests = {MakeDir("dest/plain"), MakeDir("dest/we\"ird $x \\y 'z' %F")};
    SetDestinations(m_dests);
    m_texts = MakeDir("texts");
    FolderList(*m_settings, keys::ExtensionPathsAliases)
        .SetPathnames({QString::fromStdString(m_texts)});
    m_settings->SetAppValue(keys::Extensions, QVariantList{QStringLiteral("txt")});
    m_settings->SetAppValue(keys::PromptForWrap, false);
    m_settings->Synchronize();
    QStringList written;
    WriteContextMenus(Model(), m_places, MenuScope::Everywhere, &written);
    ASSERT_EQ(written.size(), 5) << written.join(",").toStdString();

    const std::string dolphin = m_places.dolphin + "/ferrolet-destinations.desktop";
    EXPECT_NE(fs::status(dolphin).permissions() & fs::perms::owner_exec, fs::perms::none);
    std::vector<FileManagerEntry> all;
    for (auto entries : {DolphinEntries(dolphin), NemoEntries(m_places.nemo),
                         ThunarEntries(m_places.thunar + "/uca.xml"),
                         ScriptEntries(m_places.nautilus + "/Ferrolet", true),
                         ScriptEntries(m_places.caja + "/Ferrolet", false)}) {
        EXPECT_EQ(entries.size(), 12u) << (entries.empty() ? "" : entries[0].where);
        all.insert(all.end(), entries.begin(), entries.end());
    }
    int n = 0;
    for (const FileManagerEntry& entry : all) {
        const std::string id = std::to_string(++n);
        const Items items = {WriteFile("in/" + id + "/-x" + id + " 'a' \"b\" $c.txt", "x" + id),
                             WriteFile("in/" + id + "/y" + id + " ;&|.txt", "y" + id)};
        std::string out;
        EXPECT_EQ(RunProgram(entry.argv(items), &out), 0) << entry.where << out;
        const size_t at = entry.line.find("--command ");
        ASSERT_NE(at, std::string::npos) << entry.where;
        Check(std::atoi(entry.line.c_str() + at + 10), items, entry.where);
    }
    EXPECT_EQ(ReadFile(m_clipboard), "clipboard") << "the clipboard's item was never touched";
}

} // namespace
} // namespace ferrolet::test
