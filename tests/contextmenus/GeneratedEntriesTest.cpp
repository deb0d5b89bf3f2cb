// Every generated entry run as its file manager runs it: the items
// substituted the way that file manager substitutes them, the built program
// run with no bus, and the right files checked where they went.
#include "MenuFilesFixture.h"
#include "SplitExec.h"
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
using Items = std::vector<std::string>; // absolute paths of the right-clicked items
using KeyFile = std::map<std::string, std::map<std::string, std::string>>;

struct Entry {
    std::string where;
    int tag; // the number after "--command" in the generated line
    std::function<std::vector<std::string>(const Items&)> argv;
};

// A key file with its string values unescaped ("\\" → "\", "\s" → " ").
KeyFile ReadKeyFile(const std::string& path) {
    KeyFile file;
    std::ifstream in(path);
    std::string line, group;
    while (std::getline(in, line)) {
        if (line.starts_with('[') && line.ends_with(']')) {
            group = line.substr(1, line.size() - 2);
        } else if (const size_t eq = line.find('='); eq != std::string::npos && line[0] != '#') {
            std::string value;
            for (size_t i = eq + 1; i < line.size(); ++i) {
                value += line[i] == '\\' && i + 1 < line.size()
                             ? (++i, line[i] == 's' ? ' ' : line[i])
                             : line[i];
            }
            file[group][line.substr(0, eq)] = value;
        }
    }
    return file;
}

// An Exec value split as a launcher does; "%F" becomes the items.
std::vector<std::string> ExecArgv(const std::string& exec, const Items& items) {
    const std::vector<std::string> args = test::SplitExec(exec);
    std::vector<std::string> argv;
    for (const std::string& arg : args) {
        if (arg == "%F") {
            argv.insert(argv.end(), items.begin(), items.end());
        } else {
            argv.push_back(arg);
        }
    }
    return argv;
}

int TagIn(const std::string& text) {
    const size_t at = text.find("--command ");
    return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + 10);
}

// A desktop-entry Exec line checked for our program's own path, unbroken.
Entry ExecEntry(std::string where, const std::string& exec) {
    EXPECT_EQ(ExecArgv(exec, {}).at(0), FERROLET_BINARY) << where;
    return {std::move(where), TagIn(exec),
            [exec](const Items& items) { return ExecArgv(exec, items); }};
}

std::string ShellQuoted(const std::string& text) {
    std::string out = "'";
    for (const char c : text) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

class GeneratedEntries : public MenuFilesFixture {
protected:
    std::vector<Entry> Dolphin() {
        const std::string path = m_places.dolphin + "/ferrolet-destinations.desktop";
        EXPECT_TRUE(fs::status(path).permissions() != fs::perms::none &&
                    (fs::status(path).permissions() & fs::perms::owner_exec) != fs::perms::none);
        const KeyFile file = ReadKeyFile(path);
        std::vector<Entry> out;
        std::string actions = file.at("Desktop Entry").at("Actions");
        for (size_t semi; (semi = actions.find(';')) != std::string::npos;) {
            const std::string exec =
                file.at("Desktop Action " + actions.substr(0, semi)).at("Exec");
            out.push_back(ExecEntry("dolphin " + actions.substr(0, semi), exec));
            actions.erase(0, semi + 1);
        }
        return out;
    }

    std::vector<Entry> Nemo() {
        std::vector<Entry> out;
        for (const auto& file : fs::directory_iterator(m_places.nemo)) {
            const std::string exec = ReadKeyFile(file.path()).at("Nemo Action").at("Exec");
            out.push_back(ExecEntry(file.path(), exec));
        }
        return out;
    }

    // Thunar puts each item, shell-quoted, in place of %F and runs the line
    // through /bin/sh.
    std::vector<Entry> Thunar() {
        std::vector<Entry> out;
        QFile file(QString::fromStdString(m_places.thunar + "/uca.xml"));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"command") {
                const std::string command = xml.readElementText().toStdString();
                out.push_back({"thunar " + command, TagIn(command), [command](const Items& items) {
                                   std::string quoted;
                                   for (const std::string& item : items) {
                                       quoted += (quoted.empty() ? "" : " ") + ShellQuoted(item);
                                   }
                                   std::string line = command;
                                   line.replace(line.find("%F"), 2, quoted);
                                   return std::vector<std::string>{"/bin/sh", "-c", line};
                               }});
            }
        }
        EXPECT_FALSE(xml.hasError());
        return out;
    }

    // Nautilus runs a script in the items' folder with their names as
    // arguments; Caja is given absolute paths here, so both forms are run.
    std::vector<Entry> Scripts(const std::string& scripts, bool relative) {
        std::vector<Entry> out;
        for (const auto& file : fs::recursive_directory_iterator(scripts + "/Ferrolet")) {
            if (!file.is_regular_file() || file.path().filename() == ScriptMenus::kMarker) {
                continue;
            }
            const std::string script = file.path();
            out.push_back({script, TagIn(ReadFile(script)), [script, relative](const Items& items) {
                               std::vector<std::string> argv{"/bin/sh",
                                                             "-c",
                                                             "cd \"$1\" && shift && exec \"$@\"",
                                                             "sh",
                                                             fs::path(items[0]).parent_path(),
                                                             script};
                               for (const std::string& item : items) {
                                   argv.push_back(relative ? fs::path(item).filename().string()
                                                           : item);
                               }
                               return argv;
                           }});
        }
        return out;
    }

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

    std::vector<Entry> all;
    for (auto entries : {Dolphin(), Nemo(), Thunar(), Scripts(m_places.nautilus, true),
                         Scripts(m_places.caja, false)}) {
        EXPECT_EQ(entries.size(), 12u) << (entries.empty() ? "" : entries[0].where);
        all.insert(all.end(), entries.begin(), entries.end());
    }
    int n = 0;
    for (const Entry& entry : all) {
        const std::string id = std::to_string(++n);
        const Items items = {WriteFile("in/" + id + "/-x" + id + " 'a' \"b\" $c.txt", "x" + id),
                             WriteFile("in/" + id + "/y" + id + " ;&|.txt", "y" + id)};
        const int tag = entry.tag;
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
