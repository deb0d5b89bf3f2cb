// The status and Move Service menus as golden text: each row makes a real
// selection (a selection script in a private data folder), real folders and
// a real settings file, and spells out the whole `--menu` text expected.
#include "MenuFixture.h"
#include "fileops/commands/CutAndPaste.h"

#include <QByteArray>

#include <filesystem>
#include <functional>

using namespace ferrolet;
using namespace ferrolet::test;
using namespace ferrolet::test::lines;

namespace {

// A file:// URI, so that names with newlines fit on one selection line.
std::string FileUri(const std::string& path) {
    return "file://" + QByteArray::fromStdString(path).toPercentEncoding("/").toStdString();
}

std::string ItemsLine(const std::vector<std::string>& selection) {
    std::string out = std::to_string(selection.size()) +
                      (selection.size() == 1 ? " Item" : " Items") +
                      ", First item: " + selection[0].substr(selection[0].rfind('/') + 1) + "\n";
    for (const std::string& p : selection) {
        out += OpenItem(p);
    }
    return out + kSeparator;
}

const std::initializer_list<QString> kAllButOpenAndCut = {
    keys::IncludeMoveTo,   keys::IncludeCopyTo,     keys::IncludeArchiveTo,
    keys::IncludeAliasTo,  keys::IncludeHardLinkTo, keys::IncludeCutAndPasteItems,
    keys::IncludeWrapItems};

// Only Open Folder among the headers, with a list whose first folder is
// gone; the selection is one folder.
std::string AddRemoveRow(MenuFixture& t, const std::string& selected, const std::string& toggle) {
    const std::string listed = t.MakeDir("work/Proj");
    const std::string gone = t.MakeDir("work/Gone");
    t.SetDestinations({gone, listed});
    rmdir(gone.c_str());
    t.SetSwitches(kAllButOpenAndCut);
    t.SelectPaths({selected});
    const std::string notFound = "<< Folder Not Found >>";
    return ItemsLine({selected}) + toggle +
           Header("Open Folder", 1005, {{notFound, notFound}, {"Proj", listed}}, notFound) +
           kStatusClosing;
}
// Only Cut and Paste, with a pending cut or not.
std::string CutRow(MenuFixture& t, bool pending, const std::vector<std::string>& selection,
                   const std::string& block, const std::string& toggle) {
    t.SetSwitches({keys::IncludeMoveTo, keys::IncludeCopyTo, keys::IncludeArchiveTo,
                   keys::IncludeAliasTo, keys::IncludeOpenFolder, keys::IncludeHardLinkTo,
                   keys::IncludeWrapItems});
    if (pending) {
        // A real cut in the state folder, as another process would leave
        // it (unrecorded): each menu build reads it there.
        t.SelectPaths({t.WriteFile("held/item")});
        t.Core().Setup();
        CommandContext ctx = t.Core().Context();
        qputenv("FERROLET_JOURNAL", "off");
        CutItems(ctx);
        qunsetenv("FERROLET_JOURNAL");
    }
    t.SelectPaths(selection);
    return ItemsLine(selection) + block + kSeparator + toggle + kStatusClosing;
}
std::string EveryCommand(MenuFixture& t, const std::string& closing, bool namedAfterFolder) {
    const std::vector<std::string> selection = {t.WriteFile("sel/Report.pdf"),
                                                t.WriteFile("sel/notes")};
    const std::string alpha = t.MakeDir("dest/Alpha");
    const std::string beta = t.MakeDir("dest/Beta");
    t.SelectPaths(selection);
    t.SetDestinations({alpha, beta});
    t.SetExtensions({"pdf"}, {t.MakeDir("filed/PDFs")});
    if (!namedAfterFolder) {
        t.SetSwitches({keys::NameMenuItemAfterFolder});
    }
    return ItemsLine(selection) + kWrap + kSeparator + kCut + kSeparator + kPut + kSeparator +
           AllHeaders({{namedAfterFolder ? "Alpha" : alpha, alpha},
                       {namedAfterFolder ? "Beta" : beta, beta}}) +
           closing;
}
std::string NoSelection(MenuFixture& t, const std::string& closing) {
    t.FailSelection();
    return Greyed("The file manager has no active selection") + closing;
}

struct Row {
    const char* name;
    bool moveService;
    std::function<std::string(MenuFixture&)> expected; // sets the home up
};

class MenuRows : public MenuFixture, public ::testing::WithParamInterface<Row> {};

// MenuText builds over the menus the core built when it was made, so each
// row also shows that a build leaves only its own items.
TEST_P(MenuRows, TextIsAsSpelledOut) {
    const std::string expected = GetParam().expected(*this);
    EXPECT_EQ(MenuText(GetParam().moveService), expected);
}

const Row kRows[] = {
    {"EveryCommandOnTwoFolders", false, [](auto& t) { return EveryCommand(t, kStatusClosing, 1); }},
    {"FolderTitlesArePathsWhenNamingIsOff", false,
     [](auto& t) { return EveryCommand(t, kStatusClosing, false); }},
    {"MoveServiceHasAllButAbout", true,
     [](auto& t) { return EveryCommand(t, kMoveServiceClosing, true); }},
    {"ListedFolderOffersRemove", false,
     [](auto& t) { return AddRemoveRow(t, t.MakeDir("work/Proj"), kRemoveFolder + kSeparator); }},
    {"SameNameOtherCaseIsAnotherFolder", false,
     [](auto& t) { return AddRemoveRow(t, t.MakeDir("work/proj"), kAddFolder + kSeparator); }},
    {"PendingCutGreysCutAndPasteOnFiles", false,
     [](auto& t) {
         return CutRow(t, true, {t.WriteFile("s/a"), t.WriteFile("s/b")},
                       Greyed("Cut Items") + Greyed("Paste Items"), "");
     }},
    {"PendingCutPastesIntoAFolder", false,
     [](auto& t) {
         return CutRow(t, true, {t.MakeDir("s/Target")}, Greyed("Cut Items") + kPaste,
                       kAddFolder + kSeparator);
     }},
    {"NoCutGreysPasteOnAFolder", false,
     [](auto& t) {
         return CutRow(t, false, {t.MakeDir("s/Target")}, kCut + Greyed("Paste Items"),
                       kAddFolder + kSeparator);
     }},
    {"EverySwitchOffInAFileAnotherProgramWrote", false,
     [](auto& t) {
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
         return ItemsLine({file}) + kCut + kSeparator + kStatusClosing;
     }},
    {"NoSelection", false, [](auto& t) { return NoSelection(t, kStatusClosing); }},
    {"MoveServiceNoSelection", true, [](auto& t) { return NoSelection(t, kMoveServiceClosing); }},
    {"LongListsShowTheFirst333Folders", false,
     [](auto& t) {
         std::vector<std::string> paths;
         Folders shown;
         for (int i = 0; i < 340; ++i) {
             paths.push_back(t.MakeDir("dest/f" + std::to_string(i)));
             shown.emplace_back("f" + std::to_string(i), paths.back());
         }
         shown.resize(333);
         t.SetDestinations(paths);
         t.SelectPaths({t.WriteFile("sel/file")});
         return ItemsLine({t.Path("sel/file")}) + kWrap + kSeparator + kCut + kSeparator +
                AllHeaders(shown) + kStatusClosing;
     }},
    {"EveryLineNamesNothing", false,
     [](auto& t) {
         t.SelectPaths({t.Path("sel/missing one"), t.Path("sel/missing two")});
         return kWrap + kSeparator + kCut + kSeparator + Greyed("File references are invalid") +
                kStatusClosing;
     }},
    {"FirstInvalidSecondValidKeepsTheCommands", false,
     [](auto& t) {
         t.SelectPaths({t.Path("sel/missing"), t.WriteFile("sel/kept.txt")});
         t.SetSwitches({keys::IncludeMoveTo, keys::IncludeCopyTo, keys::IncludeArchiveTo,
                        keys::IncludeAliasTo, keys::IncludeHardLinkTo});
         return kWrap + kSeparator + kCut + kSeparator + Header("Open Folder", 1005, {}) +
                kStatusClosing;
     }},
    {"MoveServiceFirstItemWithoutName", true,
     [](auto& t) {
         t.SelectPaths({t.Path("sel/missing"), t.WriteFile("sel/kept.txt")});
         return Greyed("The first selected item has no name") + kMoveServiceClosing;
     }},
    {"ControlCharactersAndInvalidUtf8StayOneLine", false,
     [](auto& t) {
         const std::string dir = t.Path("sel/");
         t.SelectPaths({FileUri(t.WriteFile("sel/a\tb.txt")),
                        FileUri(t.WriteFile("sel/two\nlines")),
                        FileUri(t.WriteFile("sel/bad\xff name"))});
         t.SetDestinations({t.MakeDir("dest/col\tumn\nrow")});
         t.SetSwitches({keys::IncludeCopyTo, keys::IncludeArchiveTo, keys::IncludeAliasTo,
                        keys::IncludeOpenFolder, keys::IncludeHardLinkTo});
         return ItemsLine({dir + "a\\tb.txt", dir + "two\\nlines", dir + "bad\xEF\xBF\xBD name"}) +
                kWrap + kSeparator + kCut + kSeparator +
                Header("Move To", 1001, {{"col\\tumn\\nrow", t.Path("dest/col\\tumn\\nrow")}}) +
                kStatusClosing;
     }},
};

INSTANTIATE_TEST_SUITE_P(Menus, MenuRows, ::testing::ValuesIn(kRows),
                         [](const auto& info) { return std::string(info.param.name); });

using MenuGolden = MenuFixture;

TEST_F(MenuGolden, TheModelBehindTheTextAndTheProgramPrintingIt) {
    const std::string notes = WriteFile("sel/notes");
    SelectPaths({WriteFile("sel/Report.pdf"), FileUri(notes)});
    const std::string alpha = MakeDir("dest/Alpha");
    SetDestinations({alpha});
    const std::string status = MenuText();
    const Menu& menu = Core().StatusMenu();
    ASSERT_TRUE(menu.items[0].submenu && menu.items[0].IsEnabled());
    EXPECT_EQ(menu.items[0].submenu->items[1].iconPath, notes) << "icons are the items' files";
    EXPECT_EQ(Core().Selection().items.at(1).Path(), notes);
    Core().Perform(menu.items[0].submenu->items[1]);
    EXPECT_EQ(m_platform.openedItems, std::vector<std::string>{notes});

    std::string printed;
    ASSERT_EQ(RunProgram({FERROLET_BINARY, "--menu"}, &printed), 0);
    EXPECT_EQ(printed, status);
    ASSERT_EQ(RunProgram({FERROLET_BINARY, "--menu", "--move-service"}, &printed), 0);
    EXPECT_EQ(printed, MenuText(true));

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
    const QString pdfs = QString::fromStdString(MakeDir("filed/pdfs"));
    const QString texts = QString::fromStdString(MakeDir("filed/texts"));
    using Map = QMap<QString, QString>;
    SetExtensions({"pdf", "txt", "jpg"}, {pdfs.toStdString(), texts.toStdString()});
    SelectPaths({doc});
    EXPECT_NE(MenuText().find(kPut), std::string::npos);
    EXPECT_EQ(Core().ExtensionFolderMap(), (Map{{"pdf", pdfs}, {"txt", texts}}));
    SetExtensions({"pdf"}, {pdfs.toStdString(), texts.toStdString()});
    MenuText();
    EXPECT_EQ(Core().ExtensionFolderMap(), (Map{{"pdf", pdfs}}));
    // No extension in the selection: no command, and the map stays.
    SetExtensions({"txt"}, {texts.toStdString()});
    SelectPaths({WriteFile("sel/README")});
    EXPECT_EQ(MenuText().find("Put In Its Place"), std::string::npos);
    EXPECT_EQ(Core().ExtensionFolderMap(), (Map{{"pdf", pdfs}}));
    // No extensions stored: the map is emptied.
    m_store->SetAppValue(keys::Extensions, QVariant());
    m_store->Synchronize();
    SelectPaths({doc});
    EXPECT_EQ(MenuText().find("Put In Its Place"), std::string::npos);
    EXPECT_TRUE(Core().ExtensionFolderMap().isEmpty());
}

TEST_F(MenuGolden, EachBuildTakesTheSelectionAnew) {
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
    EXPECT_NE(MenuText().find("First item: first"), std::string::npos);
    EXPECT_EQ(ReadFile(m_dataDir + "/runs"), "2\n") << "each build asks for the selection";
    EXPECT_NE(MenuToText(Core().MoveServiceMenu()).indexOf("First item: second"), -1);
    EXPECT_EQ(Core().Selection().items.at(0).Path(), second) << "the second snapshot is in force";
}

} // namespace
