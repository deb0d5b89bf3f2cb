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

namespace {

// Expected lines of MenuToText, to spell whole menus out.
std::string Fixed(const std::string& title, int tag, const std::string& tip) {
    return title + "\ttag=" + std::to_string(tag) + "\taction=command\ttip=" + tip + "\n";
}
std::string Greyed(const std::string& title) {
    return title + "\tdisabled\n";
}
const std::string kSeparator = "---\n";
const std::string kWrap =
    Fixed("Wrap Items", -1004,
          "Move or copy the selected items into a new folder beside them (or into a folder you "
          "choose, when the preferences say so)");
const std::string kCut = Fixed("Cut Items", -1005, "Cut the selected items");
const std::string kPut = Fixed("Put In Its Place", -1003,
                               "Move the selected items to the folder set for their "
                               "extension. Pair extensions with folders in the "
                               "preferences window.");
const std::string kStatusClosing = kSeparator + "Preferences...\taction=preferences\n" +
                                   kSeparator + "About Ferrolet\taction=about\n" +
                                   "Quit\taction=quit\n";
using Folders = std::vector<std::pair<std::string, std::string>>; // {title, path}

// A header and its folder items; every header but Open Folder's starts its
// submenu with "Choose Folder…" and a line. A title in greyed is greyed, as
// a folder that cannot take the selection is.
std::string Header(const std::string& title, int base, const Folders& folders,
                   const std::string& greyed = {}) {
    std::string out = title + "\ttag=" + std::to_string(base) +
                      "\taction=choose-folder\ttip=Choose a listed folder, or Choose Folder… "
                      "for another\n";
    if (base != 1005) {
        out += "  Choose Folder…\ttag=" + std::to_string(base) +
               "\taction=choose-folder\ttip=Choose the folder in a dialog\n  ---\n";
    }
    for (size_t i = 0; i < folders.size(); ++i) {
        out += "  " + folders[i].first + "\ttag=" + std::to_string(int(i + 1) * base) +
               "\taction=command" + (folders[i].first == greyed ? "\tdisabled" : "") +
               "\ttip=" + folders[i].second + "\n";
    }
    return out;
}

// A file:// URI, so that names with newlines fit on one selection line.
std::string FileUri(const std::string& path) {
    return "file://" + QByteArray::fromStdString(path).toPercentEncoding("/").toStdString();
}

std::string ItemsLine(const std::vector<std::string>& selection) {
    std::string out = std::to_string(selection.size()) +
                      (selection.size() == 1 ? " Item" : " Items") +
                      ", First item: " + selection[0].substr(selection[0].rfind('/') + 1) + "\n";
    for (const std::string& p : selection) {
        out += "  " + p.substr(p.rfind('/') + 1) + "\taction=open\ttip=" + p + "\n";
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
         const Folders folders = {{alpha, alpha}, {beta, beta}};
         return ItemsLine(selection) + kWrap + kSeparator + kCut + kSeparator + kPut + kSeparator +
                Header("Move To", 1001, folders) + Header("Copy To", 1002, folders) +
                Header("Archive To", 1003, folders) + Header("Alias To", 1004, folders) +
                Header("Open Folder", 1005, folders) + Header("Hard Link To", 1006, folders) +
                kSeparator + "Preferences...\taction=preferences\n" + kSeparator +
                "Quit\taction=quit\n";
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
         return ItemsLine({selected}) +
                Fixed("Add Folder", -1001, "Add selected folder to the folder list") + kSeparator +
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
