// Every generated entry run as its file manager runs it: the items
// substituted the way that file manager substitutes them, the built program
// run with no bus, and the right files checked where they went.
#include "FileManagerEntries.h"
#include "MenuFilesFixture.h"
#include "contextmenus/ScriptMenus.h"
#include "dispatch/CommandIds.h"

#include <QFile>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sys/stat.h>

namespace ferrolet::test {
namespace {

namespace fs = std::filesystem;

int TagIn(const std::string& text) {
    const size_t at = text.find("--command ");
    return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 10);
}

class GeneratedEntries : public MenuFilesFixture {
protected:
    static std::set<std::string> Listing(const std::string& folder) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) {
            names.insert(entry.path().filename());
        }
        return names;
    }

    // What the entry of tag did with the two items, checked on the disk.
    void Check(int tag, const Items& items, const std::set<std::string>& before,
               const std::string& where) {
        const std::string x = fs::path(items[0]).filename(), y = fs::path(items[1]).filename();
        if (tag == cmd::PutInItsPlace) {
            EXPECT_TRUE(Exists(m_texts + "/" + x) && Exists(m_texts + "/" + y)) << where;
            EXPECT_FALSE(Exists(items[0])) << where;
            return;
        }
        if (tag == cmd::WrapItems) {
            std::set<std::string> made = Listing(fs::path(items[0]).parent_path());
            for (const std::string& name : {x, y}) {
                made.erase(name);
            }
            ASSERT_EQ(made.size(), 1u) << where;
            const std::string wrapper = fs::path(items[0]).parent_path() / *made.begin();
            EXPECT_TRUE(Exists(wrapper + "/" + x) && Exists(wrapper + "/" + y)) << where;
            return;
        }
        const std::optional<DecodedTag> decoded = DecodeMenuItemTag(tag);
        ASSERT_TRUE(decoded) << where;
        const std::string dest = m_dests.at(static_cast<size_t>(decoded->folderIndex - 1));
        std::set<std::string> added = Listing(dest);
        for (const std::string& name : before) {
            added.erase(name);
        }
        struct stat a {
        }, b{};
        switch (decoded->command) {
        case DestinationCommand::MoveTo:
            EXPECT_EQ(added, (std::set<std::string>{x, y})) << where;
            EXPECT_FALSE(Exists(items[0]) || Exists(items[1])) << where;
            break;
        case DestinationCommand::CopyTo:
            EXPECT_EQ(added, (std::set<std::string>{x, y})) << where;
            EXPECT_EQ(ReadFile(dest + "/" + x), ReadFile(items[0])) << where;
            break;
        case DestinationCommand::ArchiveTo: {
            ASSERT_EQ(added.size(), 1u) << where;
            std::string names;
            RunProgram(
                {"python3", "-c",
                 "import "
                 "sys,zipfile;print('\\n'.join(sorted(zipfile.ZipFile(sys.argv[1]).namelist())))",
                 dest + "/" + *added.begin()},
                &names);
            // The first item at least (several items in one archive is
            // Archive To's own matter).
            EXPECT_TRUE(names.starts_with(x + "\n")) << where << names;
            break;
        }
        case DestinationCommand::AliasTo:
            EXPECT_EQ(fs::read_symlink(dest + "/" + x), items[0]) << where;
            EXPECT_EQ(fs::read_symlink(dest + "/" + y), items[1]) << where;
            break;
        case DestinationCommand::HardLinkTo:
            ASSERT_EQ(stat((dest + "/" + y).c_str(), &a), 0) << where;
            ASSERT_EQ(stat(items[1].c_str(), &b), 0) << where;
            EXPECT_EQ(a.st_ino, b.st_ino) << where;
            break;
        case DestinationCommand::OpenFolder:
            ADD_FAILURE() << "Open Folder has no context-menu entry: " << where;
        }
    }

    std::vector<std::string> m_dests;
    std::string m_texts;
};

TEST_F(GeneratedEntries, EachEntryActsOnExactlyTheRightClickedItems) {
    m_dests = {MakeDir("dest/plain"), MakeDir("dest/we\"ird $x \\y 'z' %F")};
    SetDestinations({QString::fromStdString(m_dests[0]), QString::fromStdString(m_dests[1])});
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
        const int tag = TagIn(entry.line);
        if (entry.argv({"/x"}).at(0) != "/bin/sh") {
            EXPECT_EQ(entry.argv({}).at(0), FERROLET_BINARY)
                << entry.where << ": our path, unbroken";
        }
        const std::optional<DecodedTag> decoded = DecodeMenuItemTag(tag);
        const std::set<std::string> before =
            tag > 0 ? Listing(m_dests.at(static_cast<size_t>(decoded->folderIndex - 1)))
                    : std::set<std::string>{};
        std::string out;
        EXPECT_EQ(RunProgram(entry.argv(items), &out), 0) << entry.where << out;
        Check(tag, items, before, entry.where);
    }
    EXPECT_EQ(n, 60);
    EXPECT_EQ(ReadFile(m_clipboard), "clipboard") << "the clipboard's item was never touched";
}

} // namespace
} // namespace ferrolet::test
