// The status and Move Service menus as golden text: each row makes a real
// selection (a selection script in a private data folder), real folders and
// a real settings file, and spells out the whole `--menu` text expected.
#include "MenuFixture.h"
#include "app/MoveServiceMenuBuilder.h"
#include "dispatch/CommandIds.h"

#include <QProcess>

#include <cctype>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

using namespace ferrolet;
using namespace ferrolet::test;
using namespace ferrolet::test::lines;

namespace {

// A file:// URI, so that names with newlines fit on one selection line.
std::string FileUri(const std::string& path) {
    std::string out = "file://";
    for (const unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.') {
            out += static_cast<char>(c);
        } else {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        }
    }
    return out;
}

class MenuGolden : public MenuFixture {
public:
    // The rows below set the home up through these.
    using MenuFixture::FailSelection;
    using MenuFixture::SelectPaths;
    using MenuFixture::SetDestinations;
    using MenuFixture::SetExtensions;
    using MenuFixture::SetSwitches;
    using TempHome::MakeDir;
    using TempHome::Path;
    using TempHome::WriteFile;

    // Only Open Folder among the headers, with a list whose first folder
    // is gone; the selection is one folder.
    std::string AddRemoveRow(const std::string& selected, const std::string& toggle) {
        const std::string listed = MakeDir("work/Proj");
        const std::string gone = MakeDir("work/Gone");
        SetDestinations({gone, listed});
        rmdir(gone.c_str());
        SetSwitches({keys::IncludeMoveTo, keys::IncludeCopyTo, keys::IncludeArchiveTo,
                     keys::IncludeAliasTo, keys::IncludeHardLinkTo, keys::IncludeCutAndPasteItems,
                     keys::IncludeWrapItems});
        SelectPaths({selected});
        const std::string name = selected.substr(selected.rfind('/') + 1);
        const std::string notFound = "<< Folder Not Found >>";
        return "1 Item, First item: " + name + "\n" + OpenItem(name, selected) + kSeparator +
               toggle +
               GreyFolder(Header("Open Folder", 1005, {{notFound, notFound}, {"Proj", listed}}),
                          notFound) +
               kStatusClosing;
    }
    // Only Cut and Paste, with a pending cut or not.
    std::string CutRow(bool pending, std::vector<std::string> selection, const std::string& block,
                       const std::string& toggle) {
        SetSwitches({keys::IncludeMoveTo, keys::IncludeCopyTo, keys::IncludeArchiveTo,
                     keys::IncludeAliasTo, keys::IncludeOpenFolder, keys::IncludeHardLinkTo,
                     keys::IncludeWrapItems});
        SelectPaths(selection);
        Core().Cut().pending = pending;
        const std::string name = selection[0].substr(selection[0].rfind('/') + 1);
        std::string head = std::to_string(selection.size()) +
                           (selection.size() == 1 ? " Item" : " Items") + ", First item: " + name +
                           "\n";
        for (const std::string& p : selection) {
            head += OpenItem(p.substr(p.rfind('/') + 1), p);
        }
        return head + kSeparator + block + kSeparator + toggle + kStatusClosing;
    }
};

struct Row {
    const char* name;
    bool moveService;
    // Sets the home up and gives the text expected.
    std::function<std::string(MenuGolden&)> expected;
};

void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

class MenuRows : public MenuGolden, public ::testing::WithParamInterface<Row> {};

TEST_P(MenuRows, TextIsAsSpelledOut) {
    const std::string expected = GetParam().expected(*this);
    EXPECT_EQ(GetParam().moveService ? MoveServiceText() : StatusText(), expected);
}

std::string EveryCommand(MenuGolden& t, const std::string& closing, bool namedAfterFolder) {
    const std::string report = t.WriteFile("sel/Report.pdf");
    const std::string notes = t.WriteFile("sel/notes");
    const std::string alpha = t.MakeDir("dest/Alpha");
    const std::string beta = t.MakeDir("dest/Beta");
    t.SelectPaths({report, notes});
    t.SetDestinations({alpha, beta});
    t.SetExtensions({"pdf"}, {t.MakeDir("filed/PDFs")});
    if (!namedAfterFolder) {
        t.SetSwitches({keys::NameMenuItemAfterFolder});
    }
    return "2 Items, First item: Report.pdf\n" + OpenItem("Report.pdf", report) +
           OpenItem("notes", notes) + kSeparator + kWrap + kSeparator + kCut + kSeparator + kPut +
           kSeparator +
           AllHeaders({{namedAfterFolder ? "Alpha" : alpha, alpha},
                       {namedAfterFolder ? "Beta" : beta, beta}}) +
           closing;
}

const Row kRows[] = {
    {"EveryCommandOnTwoFolders", false,
     [](MenuGolden& t) { return EveryCommand(t, kStatusClosing, true); }},
    {"FolderTitlesArePathsWhenNamingIsOff", false,
     [](MenuGolden& t) { return EveryCommand(t, kStatusClosing, false); }},
    {"MoveServiceHasAllButAbout", true,
     [](MenuGolden& t) { return EveryCommand(t, kMoveServiceClosing, true); }},
    {"ListedFolderOffersRemove", false,
     [](MenuGolden& t) {
         return t.AddRemoveRow(t.MakeDir("work/Proj"), kRemoveFolder + kSeparator);
     }},
    {"SameNameOtherCaseIsAnotherFolder", false,
     [](MenuGolden& t) { return t.AddRemoveRow(t.MakeDir("work/proj"), kAddFolder + kSeparator); }},
    {"UnlistedFolderOffersAdd", false,
     [](MenuGolden& t) {
         return t.AddRemoveRow(t.MakeDir("work/Other"), kAddFolder + kSeparator);
     }},
    {"AppDirIsNoFolder", false,
     [](MenuGolden& t) {
         const std::string app = t.MakeDir("work/Tool.AppDir");
         chmod(t.WriteFile("work/Tool.AppDir/AppRun").c_str(), 0755);
         return t.AddRemoveRow(app, "");
     }},
    {"LinkToListedFolderIsNoFolder", false,
     [](MenuGolden& t) {
         symlink(t.MakeDir("work/Proj").c_str(), t.Path("work/link to Proj").c_str());
         return t.AddRemoveRow(t.Path("work/link to Proj"), "");
     }},
    {"NoListStillOffersAdd", false,
     [](MenuGolden& t) {
         const std::string folder = t.MakeDir("work/Proj");
         t.SelectPaths({folder});
         t.SetSwitches({keys::IncludeMoveTo, keys::IncludeCopyTo, keys::IncludeArchiveTo,
                        keys::IncludeAliasTo, keys::IncludeHardLinkTo,
                        keys::IncludeCutAndPasteItems, keys::IncludeWrapItems});
         return "1 Item, First item: Proj\n" + OpenItem("Proj", folder) + kSeparator + kAddFolder +
                kSeparator + Header("Open Folder", 1005, {}) + kStatusClosing;
     }},
    {"PendingCutGreysCutAndPasteOnFiles", false,
     [](MenuGolden& t) {
         return t.CutRow(true, {t.WriteFile("s/a"), t.WriteFile("s/b")},
                         Greyed("Cut Items") + Greyed("Paste Items"), "");
     }},
    {"PendingCutPastesIntoAFolder", false,
     [](MenuGolden& t) {
         return t.CutRow(true, {t.MakeDir("s/Target")}, Greyed("Cut Items") + kPaste,
                         kAddFolder + kSeparator);
     }},
    {"NoCutGreysPasteOnAFolder", false,
     [](MenuGolden& t) {
         return t.CutRow(false, {t.MakeDir("s/Target")}, kCut + Greyed("Paste Items"),
                         kAddFolder + kSeparator);
     }},
    {"NoCutOnFilesOffersCutOnly", false,
     [](MenuGolden& t) {
         return t.CutRow(false, {t.WriteFile("s/a"), t.WriteFile("s/b")}, kCut, "");
     }},
    {"EverySwitchOffInAFileAnotherProgramWrote", false,
     [](MenuGolden& t) {
         const std::string file = t.WriteFile("sel/%1 of %2");
         t.SetDestinations({t.MakeDir("dest/A")});
         t.SelectPaths({file});
         RunProgram(
             {"python3", "-c",
              "import plistlib,sys\nd=plistlib.load(open(sys.argv[1],'rb'))\n"
              "d.update({k: False for k in sys.argv[2:]})\nplistlib.dump(d,open(sys.argv[1],'wb'))",
              SettingsStore::DefaultFilePath(), "IncludeMoveTo", "IncludeCopyTo",
              "IncludeArchiveTo", "IncludeAliasTo", "IncludeOpenFolder", "IncludeHardLinkTo",
              "IncludeWrapItems"});
         return "1 Item, First item: %1 of %2\n" + OpenItem("%1 of %2", file) + kSeparator + kCut +
                kSeparator + kStatusClosing;
     }},
    {"NoSelection", false,
     [](MenuGolden& t) {
         t.FailSelection();
         return Greyed("The file manager has no active selection") + kStatusClosing;
     }},
    {"MoveServiceNoSelection", true,
     [](MenuGolden& t) {
         t.FailSelection();
         return Greyed("The file manager has no active selection") + kMoveServiceClosing;
     }},
    {"EveryLineNamesNothing", false,
     [](MenuGolden& t) {
         t.SelectPaths({t.Path("sel/missing one"), t.Path("sel/missing two")});
         return kWrap + kSeparator + kCut + kSeparator + Greyed("File references are invalid") +
                kStatusClosing;
     }},
    {"FirstInvalidSecondValidKeepsTheCommands", false,
     [](MenuGolden& t) {
         t.SelectPaths({t.Path("sel/missing"), t.WriteFile("sel/kept.txt")});
         t.SetSwitches({keys::IncludeMoveTo, keys::IncludeCopyTo, keys::IncludeArchiveTo,
                        keys::IncludeAliasTo, keys::IncludeHardLinkTo});
         return kWrap + kSeparator + kCut + kSeparator + Header("Open Folder", 1005, {}) +
                kStatusClosing;
     }},
    {"MoveServiceFirstItemWithoutName", true,
     [](MenuGolden& t) {
         t.SelectPaths({t.Path("sel/missing"), t.WriteFile("sel/kept.txt")});
         return Greyed("The first selected item has no name") + kMoveServiceClosing;
     }},
    {"ControlCharactersAndInvalidUtf8StayOneLine", false,
     [](MenuGolden& t) {
         const std::string dir = t.Path("sel/");
         t.SelectPaths({FileUri(t.WriteFile("sel/a\tb.txt")),
                        FileUri(t.WriteFile("sel/two\nlines")),
                        FileUri(t.WriteFile("sel/bad\xff name"))});
         t.SetDestinations({t.MakeDir("dest/col\tumn\nrow")});
         t.SetSwitches({keys::IncludeCopyTo, keys::IncludeArchiveTo, keys::IncludeAliasTo,
                        keys::IncludeOpenFolder, keys::IncludeHardLinkTo});
         return "3 Items, First item: a\\tb.txt\n" + OpenItem("a\\tb.txt", dir + "a\\tb.txt") +
                OpenItem("two\\nlines", dir + "two\\nlines") +
                OpenItem("bad\xEF\xBF\xBD name", dir + "bad\xEF\xBF\xBD name") + kSeparator +
                kWrap + kSeparator + kCut + kSeparator +
                Header("Move To", 1001, {{"col\\tumn\\nrow", t.Path("dest/col\\tumn\\nrow")}}) +
                kStatusClosing;
     }},
};

INSTANTIATE_TEST_SUITE_P(Menus, MenuRows, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MenuGolden, TheModelBehindTheTextAndTheProgramPrintingIt) {
    const std::string report = WriteFile("sel/Report.pdf");
    const std::string notes = WriteFile("sel/notes");
    SelectPaths({report, FileUri(notes)});
    const std::string alpha = MakeDir("dest/Alpha");
    SetDestinations({alpha});
    SetExtensions({"pdf"}, {MakeDir("filed/PDFs")});
    Core().Setup();
    const Menu& menu = Core().StatusMenu();
    ASSERT_TRUE(menu.items[0].submenu && menu.items[0].IsEnabled());
    EXPECT_EQ(menu.items[0].submenu->items[1].iconPath, notes) << "icons are the items' files";
    ASSERT_EQ(Core().Selection().items.size(), 2u);
    EXPECT_EQ(Core().Selection().items[1].Path(), notes);
    Core().Perform(menu.items[0].submenu->items[1]);
    EXPECT_EQ(m_platform.openedItems, std::vector<std::string>{notes});

    std::string status, moveService;
    ASSERT_EQ(RunProgram({FERROLET_BINARY, "--menu"}, &status), 0);
    EXPECT_EQ(status, MenuToText(menu).toStdString());
    ASSERT_EQ(RunProgram({FERROLET_BINARY, "--menu", "--move-service"}, &moveService), 0);
    EXPECT_EQ(moveService, MenuToText(Core().MoveServiceMenu()).toStdString());

    // A command on one small given file never connects to the display: it
    // files the item even when the display named cannot be reached.
    const QByteArray display = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":97");
    EXPECT_EQ(RunProgram({FERROLET_BINARY, "--command", "1001", "--", notes}), 0);
    qputenv("DISPLAY", display);
    EXPECT_TRUE(std::filesystem::exists(alpha + "/notes"));
}

TEST_F(MenuGolden, ExtensionMapPairsUpToTheShorterListAndSurvivesBuildsWithoutExtensions) {
    const std::string doc = WriteFile("sel/Scan.PDF");
    const std::string pdfs = MakeDir("filed/pdfs");
    const std::string texts = MakeDir("filed/texts");
    auto map = [&](std::initializer_list<std::pair<QString, std::string>> pairs) {
        QMap<QString, QString> out;
        for (const auto& [ext, folder] : pairs) {
            out[ext] = QString::fromStdString(folder);
        }
        return out;
    };
    SetExtensions({"pdf", "txt", "jpg"}, {pdfs, texts});
    SelectPaths({doc});
    EXPECT_NE(StatusText().find(kPut), std::string::npos);
    EXPECT_EQ(Core().ExtensionFolderMap(), map({{"pdf", pdfs}, {"txt", texts}}));
    SetExtensions({"pdf"}, {pdfs, texts});
    StatusText();
    EXPECT_EQ(Core().ExtensionFolderMap(), map({{"pdf", pdfs}}));
    // No extension in the selection: no command, and the map stays.
    SetExtensions({"txt"}, {texts});
    SelectPaths({WriteFile("sel/README")});
    EXPECT_EQ(StatusText().find("Put In Its Place"), std::string::npos);
    EXPECT_EQ(Core().ExtensionFolderMap(), map({{"pdf", pdfs}}));
    // No extensions stored: the map is emptied.
    m_store->SetAppValue(keys::Extensions, QVariant());
    m_store->Synchronize();
    SelectPaths({doc});
    EXPECT_EQ(StatusText().find("Put In Its Place"), std::string::npos);
    EXPECT_TRUE(Core().ExtensionFolderMap().isEmpty());
}

TEST_F(MenuGolden, LongListsShowTheFirst333FoldersWithTagsThatDecodeBack) {
    std::vector<std::string> folders;
    for (int i = 0; i < 340; ++i) {
        folders.push_back(MakeDir("dest/f" + std::to_string(i)));
    }
    SetDestinations(folders);
    SelectPaths({WriteFile("sel/file")});
    Core().Setup();
    int headers = 0;
    for (const MenuItem& header : Core().StatusMenu().items) {
        if (header.action == MenuAction::ChooseFolder) {
            ++headers;
            const size_t first = header.tag == 1005 ? 0 : 2; // after Choose Folder… and a line
            ASSERT_EQ(header.submenu->items.size(), first + 333u) << header.title.toStdString();
            for (size_t i = 0; i < 333; ++i) {
                const MenuItem& item = header.submenu->items[first + i];
                const auto decoded = DecodeMenuItemTag(item.tag);
                ASSERT_TRUE(decoded && static_cast<int>(decoded->command) == header.tag)
                    << item.tag;
                EXPECT_EQ(decoded->folderIndex, static_cast<int>(i) + 1) << item.tag;
                EXPECT_EQ(item.tooltip.toStdString(), folders[i]);
            }
        }
    }
    EXPECT_EQ(headers, 6);
}

TEST_F(MenuGolden, EachBuildTakesTheSelectionAnewAndLeavesOnlyItsOwnItems) {
    // The script hands out a different selection on each run.
    const std::string first = WriteFile("sel/first");
    const std::string second = WriteFile("sel/second");
    std::ofstream(m_dataDir + "/selection")
        << "#!/bin/sh\nn=$(cat '" << m_dataDir
        << "/runs' 2>/dev/null || echo 0)\necho $((n + 1)) > '" << m_dataDir
        << "/runs'\nif [ $((n % 2)) = 0 ]; then echo '" << first << "'; else echo '" << second
        << "'; fi\n";
    Core();
    std::remove((m_dataDir + "/runs").c_str());
    Core().Setup();
    EXPECT_EQ(ReadFile(m_dataDir + "/runs"), "2\n") << "each build asks for the selection";
    EXPECT_NE(MenuToText(Core().StatusMenu()).indexOf("First item: first"), -1);
    EXPECT_NE(MenuToText(Core().MoveServiceMenu()).indexOf("First item: second"), -1);
    EXPECT_EQ(Core().Selection().items.at(0).Path(), second) << "the second snapshot is in force";

    // The Move Service builder over an old menu leaves exactly its own items.
    std::ofstream(m_dataDir + "/selection") << "#!/bin/sh\necho '" << first << "'\n";
    SelectionSnapshot snapshot;
    QMap<QString, QString> map;
    CutState cut;
    MenuBuildInputs inputs{*m_store, snapshot, map, cut};
    Menu fresh;
    BuildMoveServiceMenu(inputs, fresh);
    Menu old;
    for (int i = 0; i < 5; ++i) {
        old.Append(MenuItem::Info(QStringLiteral("old %1").arg(i)));
    }
    old.AppendSeparator();
    BuildMoveServiceMenu(inputs, old);
    EXPECT_EQ(MenuToText(old), MenuToText(fresh));
}

TEST_F(MenuGolden, EntryPointsSurviveASettingsFileNestedTooDeep) {
    // The plist library frees its trees recursively: this used to overflow
    // the stack of every entry point.
    std::string deep = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>K</key>";
    for (int i = 0; i < 200000; ++i) {
        deep += "<array>";
    }
    WriteFile("home/.config/com.quorvane.Ferrolet.plist", deep);
    for (const char* entry : {"--settings", "--menu"}) {
        QProcess run;
        run.start(QStringLiteral(FERROLET_BINARY), {QString::fromLatin1(entry)});
        ASSERT_TRUE(run.waitForFinished(120000)) << entry;
        EXPECT_EQ(run.exitStatus(), QProcess::NormalExit) << entry;
        EXPECT_EQ(run.exitCode(), 0) << entry;
        EXPECT_EQ(QString::fromUtf8(run.readAllStandardError())
                      .count(QStringLiteral("could not be read; defaults apply")),
                  1)
            << entry;
        EXPECT_EQ(ReadFile(SettingsStore::DefaultFilePath()), deep) << entry << ": kept as it was";
    }
}

} // namespace
