// The status menu built for real selections (a selection script in a
// temporary data folder), real folders and the real settings file, compared
// item by item in its --menu text form.
#include "MenuFixture.h"
#include "app/MenuBody.h"

#include <sys/stat.h>

using namespace ferrolet;
using namespace ferrolet::test;
using namespace ferrolet::test::lines;

namespace {

class StatusMenuTest : public MenuFixture {};

TEST_F(StatusMenuTest, TwoItemsOneWithPdfEveryCommandOnTwoFolders) {
    const std::string report = WriteFile("sel/Report.pdf");
    const std::string notes = WriteFile("sel/notes");
    const std::string alpha = MakeDir("dest/Alpha");
    const std::string beta = MakeDir("dest/Beta");
    const std::string pdfs = MakeDir("filed/PDFs");
    SelectPaths({report, notes});
    SetDestinations({alpha, beta});
    SetExtensions({"pdf"}, {pdfs});

    const std::string expected =
        "2 Items, First item: Report.pdf\n" + OpenItem("Report.pdf", report) +
        OpenItem("notes", notes) + kSeparator + kWrap + kSeparator + kCut + kSeparator + kPut +
        kSeparator + AllHeaders({{"Alpha", alpha}, {"Beta", beta}}) + kStatusClosing;
    EXPECT_EQ(StatusText(), expected);

    // The model behind the text: icons are the items' own files, the
    // snapshot is the one the build took, and Put In Its Place has its map.
    const Menu& menu = Core().StatusMenu();
    ASSERT_TRUE(menu.items[0].submenu);
    EXPECT_TRUE(menu.items[0].IsEnabled()) << "the summary line must open its submenu";
    EXPECT_EQ(menu.items[0].submenu->items[0].iconPath, report);
    EXPECT_EQ(menu.items[0].submenu->items[1].iconPath, notes);
    EXPECT_TRUE(Core().Selection().hasArray);
    EXPECT_EQ(Core().Selection().count, 2);
    ASSERT_EQ(Core().Selection().items.size(), 2u);
    EXPECT_EQ(Core().Selection().items[1].Path(), notes);
    EXPECT_EQ(Core().ExtensionFolderMap().size(), 1);
    EXPECT_EQ(Q(Core().ExtensionFolderMap().value("pdf")), pdfs);

    // Choosing an item of the selection submenu opens it.
    Core().Perform(menu.items[0].submenu->items[1]);
    EXPECT_EQ(m_platform.openedItems, std::vector<std::string>{notes});

    // Folder names are paths when "NameMenuItemAfterFolder" is off.
    SetBool(keys::NameMenuItemAfterFolder, false);
    EXPECT_EQ(StatusText(), expected.substr(0, expected.find("Move To")) +
                                AllHeaders({{alpha, alpha}, {beta, beta}}) + kStatusClosing);
}

TEST_F(StatusMenuTest, AddOrRemoveFolderByWhichFolderIsSelected) {
    const std::string listed = MakeDir("work/Proj");
    const std::string sameButCase = MakeDir("work/proj");
    const std::string unlisted = MakeDir("work/Other");
    const std::string appDir = MakeDir("work/Tool.AppDir");
    WriteFile("work/Tool.AppDir/AppRun", "#!/bin/sh\n");
    chmod((appDir + "/AppRun").c_str(), 0755);
    const std::string gone = MakeDir("work/Gone");
    SetDestinations({gone, listed});
    ASSERT_EQ(rmdir(gone.c_str()), 0); // the list now starts with a folder not found
    SetBool(keys::IncludeMoveTo, false);
    SetBool(keys::IncludeCopyTo, false);
    SetBool(keys::IncludeArchiveTo, false);
    SetBool(keys::IncludeAliasTo, false);
    SetBool(keys::IncludeHardLinkTo, false);
    SetBool(keys::IncludeCutAndPasteItems, false);
    SetBool(keys::IncludeWrapItems, false);

    auto menuFor = [&](const std::string& folder, const std::string& name,
                       const std::string& toggle) {
        return "1 Item, First item: " + name + "\n" + OpenItem(name, folder) + kSeparator + toggle +
               GreyFolder(
                   Header("Open Folder", 1005,
                          {{"<< Folder Not Found >>", "<< Folder Not Found >>"}, {"Proj", listed}}),
                   "<< Folder Not Found >>") +
               kStatusClosing;
    };
    SelectPaths({listed});
    EXPECT_EQ(StatusText(), menuFor(listed, "Proj", kRemoveFolder + kSeparator));
    SelectPaths({sameButCase});
    EXPECT_EQ(StatusText(), menuFor(sameButCase, "proj", kAddFolder + kSeparator));
    SelectPaths({unlisted});
    EXPECT_EQ(StatusText(), menuFor(unlisted, "Other", kAddFolder + kSeparator));
    SelectPaths({appDir});
    EXPECT_EQ(StatusText(), menuFor(appDir, "Tool.AppDir", ""));

    // A link to the listed folder is a link, not a folder: neither.
    const std::string link = Path("work/link to Proj");
    ASSERT_EQ(symlink(listed.c_str(), link.c_str()), 0);
    SelectPaths({link});
    EXPECT_EQ(StatusText(), menuFor(link, "link to Proj", ""));

    // With no destination list at all, a folder can still be added.
    m_store->SetAppValue(keys::PathnamesAliases, QVariant());
    m_store->Synchronize();
    SelectPaths({listed});
    EXPECT_EQ(StatusText(), "1 Item, First item: Proj\n" + OpenItem("Proj", listed) + kSeparator +
                                kAddFolder + kSeparator + Header("Open Folder", 1005, {}) +
                                kStatusClosing);
}

TEST_F(StatusMenuTest, CutAndPasteFollowThePendingCutAndTheSelection) {
    const std::string a = WriteFile("sel/a");
    const std::string b = WriteFile("sel/b");
    const std::string folder = MakeDir("sel/Target");
    for (const QString& key :
         {keys::IncludeMoveTo, keys::IncludeCopyTo, keys::IncludeArchiveTo, keys::IncludeAliasTo,
          keys::IncludeOpenFolder, keys::IncludeHardLinkTo, keys::IncludeWrapItems}) {
        SetBool(key, false);
    }
    struct Case {
        bool pending;
        std::vector<std::string> selection;
        std::string cutAndPaste;
        std::string toggle;
    };
    const std::vector<Case> cases{
        {true, {a, b}, Greyed("Cut Items") + Greyed("Paste Items"), ""},
        {true, {folder}, Greyed("Cut Items") + kPaste, kAddFolder + kSeparator},
        {false, {folder}, kCut + Greyed("Paste Items"), kAddFolder + kSeparator},
        {false, {a, b}, kCut, ""},
        {true, {a}, Greyed("Cut Items") + Greyed("Paste Items"), ""},
    };
    for (const Case& c : cases) {
        SelectPaths(c.selection);
        Core().Cut().pending = c.pending;
        const std::string text = StatusText();
        const size_t start = text.find(kSeparator) + kSeparator.size();
        EXPECT_EQ(text.substr(start), c.cutAndPaste + kSeparator + c.toggle + kStatusClosing)
            << "pending " << c.pending << ", first " << c.selection[0];
    }
}

TEST_F(StatusMenuTest, EverySwitchOffLeavesTheSelectionLineAndClosingBlock) {
    const std::string file = WriteFile("sel/plain file");
    SetDestinations({MakeDir("dest/A")});
    // Written by another program, as the preferences window of an older
    // version might have left it.
    std::string out;
    ASSERT_EQ(RunProgram({"python3", "-c", R"(
import plistlib, sys
keys = ['IncludeMoveTo', 'IncludeCopyTo', 'IncludeArchiveTo', 'IncludeAliasTo',
        'IncludeOpenFolder', 'IncludeHardLinkTo']
d = plistlib.load(open(sys.argv[1], 'rb'))
d.update({k: False for k in keys})
plistlib.dump(d, open(sys.argv[1], 'wb'))
)",
                          SettingsStore::DefaultFilePath()},
                         &out),
              0);
    SelectPaths({file});
    EXPECT_EQ(StatusText(), "1 Item, First item: plain file\n" + OpenItem("plain file", file) +
                                kSeparator + kWrap + kSeparator + kCut + kSeparator +
                                kStatusClosing);
    SetBool(keys::IncludeWrapItems, false);
    SetBool(keys::IncludeCutAndPasteItems, false);
    EXPECT_EQ(StatusText(), "1 Item, First item: plain file\n" + OpenItem("plain file", file) +
                                kSeparator + kStatusClosing);
}

TEST_F(StatusMenuTest, SummaryLineCountsItemsAndKeepsNamesAsTheyAre) {
    EXPECT_EQ(Q(SelectionSummary(1, "a.txt")), "1 Item, First item: a.txt");
    EXPECT_EQ(Q(SelectionSummary(0, "a.txt")), "0 Items, First item: a.txt");
    EXPECT_EQ(Q(SelectionSummary(3, "Report.pdf")), "3 Items, First item: Report.pdf");
    // Placeholders in a name are part of the name.
    EXPECT_EQ(Q(SelectionSummary(2, "%1 %2 %3.txt")), "2 Items, First item: %1 %2 %3.txt");

    const std::string one = WriteFile("sel/%1 of %2");
    const std::string two = WriteFile("sel/second");
    SelectPaths({one});
    EXPECT_EQ(StatusText().substr(0, StatusText().find('\n')), "1 Item, First item: %1 of %2");
    SelectPaths({one, two, WriteFile("sel/third")});
    EXPECT_EQ(StatusText().substr(0, StatusText().find('\n')), "3 Items, First item: %1 of %2");
}

TEST_F(StatusMenuTest, NoSelectionAndInvalidReferences) {
    const std::string file = WriteFile("sel/kept.txt");
    SelectPaths({file});
    Core().Setup();
    FailSelection();
    EXPECT_EQ(StatusText(), Greyed("The file manager has no active selection") + kStatusClosing);
    EXPECT_FALSE(Core().Selection().hasArray);
    EXPECT_TRUE(Core().Selection().items.empty());
    EXPECT_EQ(Core().Selection().count, 1) << "the count stays as the last selection left it";
    ASSERT_EQ(unlink(Path("data/fail").c_str()), 0);

    // Every line names nothing: no summary line (no first name), the
    // commands that need no valid item, then the invalid-references line.
    SelectPaths({Path("sel/missing one"), Path("sel/missing two")});
    EXPECT_EQ(StatusText(), kWrap + kSeparator + kCut + kSeparator +
                                Greyed("File references are invalid") + kStatusClosing);
    EXPECT_EQ(Core().Selection().count, 2);

    // An invalid first item hides the summary line, but a valid second item
    // still gets the commands that follow.
    SetBool(keys::IncludeMoveTo, false);
    SetBool(keys::IncludeCopyTo, false);
    SetBool(keys::IncludeArchiveTo, false);
    SetBool(keys::IncludeAliasTo, false);
    SetBool(keys::IncludeHardLinkTo, false);
    SelectPaths({Path("sel/missing one"), file});
    EXPECT_EQ(StatusText(), kWrap + kSeparator + kCut + kSeparator +
                                Header("Open Folder", 1005, {}) + kStatusClosing)
        << "no Put In Its Place: the extension list is empty";
}

TEST_F(StatusMenuTest, ExtensionMapPairsUpToTheShorterListAndSurvivesBuildsWithoutExtensions) {
    const std::string doc = WriteFile("sel/Scan.PDF");
    const std::string plain = WriteFile("sel/README");
    const std::string pdfs = MakeDir("filed/pdfs");
    const std::string texts = MakeDir("filed/texts");
    SetBool(keys::IncludeCutAndPasteItems, false);
    SetBool(keys::IncludeWrapItems, false);

    // Three extensions, two folders: two pairs.
    SetExtensions({"pdf", "txt", "jpg"}, {pdfs, texts});
    SelectPaths({doc});
    EXPECT_NE(StatusText().find(kPut), std::string::npos);
    QMap<QString, QString> expected{{"pdf", QString::fromStdString(pdfs)},
                                    {"txt", QString::fromStdString(texts)}};
    EXPECT_EQ(Core().ExtensionFolderMap(), expected);

    // One extension, two folders: one pair.
    SetExtensions({"pdf"}, {pdfs, texts});
    EXPECT_NE(StatusText().find(kPut), std::string::npos);
    expected = {{"pdf", QString::fromStdString(pdfs)}};
    EXPECT_EQ(Core().ExtensionFolderMap(), expected);

    // A selection without extensions offers no Put In Its Place and leaves
    // the map as the last build that saw an extension made it.
    SetExtensions({"txt"}, {texts});
    SelectPaths({plain});
    EXPECT_EQ(StatusText().find("Put In Its Place"), std::string::npos);
    EXPECT_EQ(Core().ExtensionFolderMap(), expected);

    // No extensions stored: no command, and the map is emptied.
    m_store->SetAppValue(keys::Extensions, QVariant());
    m_store->Synchronize();
    SelectPaths({doc});
    EXPECT_EQ(StatusText().find("Put In Its Place"), std::string::npos);
    EXPECT_TRUE(Core().ExtensionFolderMap().isEmpty());
}

} // namespace
