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
    {"EveryCommandInTheMoveServiceFolderTitlesArePaths", true,
     [](auto& t) {
         const std::vector<std::string> selection = {t.WriteFile("sel/Report.pdf"),
                                                     t.WriteFile("sel/notes")};
         const std::string alpha = t.MakeDir("dest/Alpha");
         const std::string beta = t.MakeDir("dest/Beta");
         t.SelectPaths(selection);
         t.SetDestinations({alpha, beta});
         t.SetExtensions({"pdf"}, {t.MakeDir("filed/PDFs")});
         t.SetSwitches({keys::NameMenuItemAfterFolder});
         return ItemsLine(selection) + kWrap + kSeparator + kCut + kSeparator + kPut + kSeparator +
                AllHeaders({{alpha, alpha}, {beta, beta}}) + kMoveServiceClosing;
     }},
    {"SameNameOtherCaseIsAnotherFolder", false,
     [](auto& t) {
         // Only Open Folder among the headers, with a list whose first
         // folder is gone; the selection is one folder.
         const std::string selected = t.MakeDir("work/proj");
         const std::string listed = t.MakeDir("work/Proj");
         const std::string gone = t.MakeDir("work/Gone");
         t.SetDestinations({gone, listed});
         rmdir(gone.c_str());
         t.SetSwitches({keys::IncludeMoveTo, keys::IncludeCopyTo, keys::IncludeArchiveTo,
                        keys::IncludeAliasTo, keys::IncludeHardLinkTo,
                        keys::IncludeCutAndPasteItems, keys::IncludeWrapItems});
         t.SelectPaths({selected});
         const std::string notFound = "<< Folder Not Found >>";
         return ItemsLine({selected}) + kAddFolder + kSeparator +
                Header("Open Folder", 1005, {{notFound, notFound}, {"Proj", listed}}, notFound) +
                kStatusClosing;
     }},
    {"PendingCutGreysCutAndPasteOnFiles", false,
     [](auto& t) {
         // Only Cut and Paste, with a real cut pending in the state folder,
         // as another process would leave it (unrecorded): each menu build
         // reads it.
         t.SetSwitches({keys::IncludeMoveTo, keys::IncludeCopyTo, keys::IncludeArchiveTo,
                        keys::IncludeAliasTo, keys::IncludeOpenFolder, keys::IncludeHardLinkTo,
                        keys::IncludeWrapItems});
         t.SelectPaths({t.WriteFile("held/item")});
         t.Core().Setup();
         CommandContext ctx = t.Core().Context();
         qputenv("FERROLET_JOURNAL", "off");
         CutItems(ctx);
         qunsetenv("FERROLET_JOURNAL");
         const std::vector<std::string> selection = {t.WriteFile("s/a"), t.WriteFile("s/b")};
         t.SelectPaths(selection);
         return ItemsLine(selection) + Greyed("Cut Items") + Greyed("Paste Items") + kSeparator +
                kStatusClosing;
     }},
    {"EveryLineNamesNothing", false,
     [](auto& t) {
         t.SelectPaths({t.Path("sel/missing one"), t.Path("sel/missing two")});
         return kWrap + kSeparator + kCut + kSeparator + Greyed("File references are invalid") +
                kStatusClosing;
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

} // namespace
