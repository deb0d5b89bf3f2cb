// Menus built for hostile names, long lists and huge selections: every item
// stays one line of the --menu text, and no folder tag can be read back as
// another command's.
#include "MenuFixture.h"
#include "dispatch/CommandIds.h"

#include <QProcess>
#include <QString>

#include <algorithm>
#include <cctype>
#include <cstdio>

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

size_t CountItems(const Menu& menu) {
    size_t n = 0;
    for (const MenuItem& item : menu.items) {
        n += 1 + (item.submenu ? CountItems(*item.submenu) : 0);
    }
    return n;
}

size_t CountLines(const std::string& text) {
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
}

class MenuBadInputTest : public MenuFixture {};

TEST_F(MenuBadInputTest, ControlCharactersAndInvalidUtf8StayOneItemPerLine) {
    const std::string tab = WriteFile("sel/a\tb.txt");
    const std::string newline = WriteFile("sel/two\nlines");
    const std::string invalid = WriteFile("sel/bad\xff name");
    const std::string folder = MakeDir("dest/col\tumn\nrow");
    SelectPaths({FileUri(tab), FileUri(newline), FileUri(invalid)});
    SetDestinations({folder});
    SetBool(keys::IncludeCopyTo, false);
    SetBool(keys::IncludeArchiveTo, false);
    SetBool(keys::IncludeAliasTo, false);
    SetBool(keys::IncludeOpenFolder, false);
    SetBool(keys::IncludeHardLinkTo, false);

    const std::string text = StatusText();
    const std::string dir = Path("sel/");
    const std::string dest = Path("dest/col\\tumn\\nrow");
    EXPECT_EQ(text, "3 Items, First item: a\\tb.txt\n" + OpenItem("a\\tb.txt", dir + "a\\tb.txt") +
                        OpenItem("two\\nlines", dir + "two\\nlines") +
                        OpenItem("bad\xEF\xBF\xBD name", dir + "bad\xEF\xBF\xBD name") +
                        kSeparator + kWrap + kSeparator + kCut + kSeparator +
                        Header("Move To", 1001, {{"col\\tumn\\nrow", dest}}) + kStatusClosing);
    EXPECT_EQ(CountLines(text), CountItems(Core().StatusMenu()));
    // The commands still act on the real names, bytes and all.
    ASSERT_EQ(Core().Selection().items.size(), 3u);
    EXPECT_EQ(Core().Selection().items[2].Path(), invalid);
}

TEST_F(MenuBadInputTest, FoldersNotFoundKeepTheirPlaceAndTag) {
    const std::string a = MakeDir("dest/a");
    const std::string b = MakeDir("dest/b");
    const std::string c = MakeDir("dest/c");
    SetDestinations({a, b, c});
    ASSERT_EQ(rmdir(b.c_str()), 0);
    const std::string file = WriteFile("sel/file");
    SelectPaths({file});
    for (const QString& key : {keys::IncludeMoveTo, keys::IncludeCopyTo, keys::IncludeArchiveTo,
                               keys::IncludeAliasTo, keys::IncludeHardLinkTo}) {
        SetBool(key, false);
    }
    const std::string text = StatusText();
    EXPECT_NE(
        text.find(GreyFolder(
            Header("Open Folder", 1005,
                   {{"a", a}, {"<< Folder Not Found >>", "<< Folder Not Found >>"}, {"c", c}}),
            "<< Folder Not Found >>")),
        std::string::npos)
        << text;
}

TEST_F(MenuBadInputTest, LongListsShowTheFirst333FoldersWithTagsThatDecodeBack) {
    std::vector<std::string> folders;
    for (int i = 0; i < 340; ++i) {
        folders.push_back(MakeDir("dest/f" + std::to_string(i)));
    }
    SetDestinations(folders);
    SelectPaths({WriteFile("sel/file")});
    Core().Setup();
    int headers = 0;
    for (const MenuItem& header : Core().StatusMenu().items) {
        if (header.action != MenuAction::ChooseFolder) {
            continue;
        }
        ++headers;
        ASSERT_TRUE(header.submenu);
        // Choose Folder… and its separator come first, but for Open Folder.
        const size_t first = header.tag == 1005 ? 0 : 2;
        ASSERT_EQ(header.submenu->items.size(), first + 333u) << header.title.toStdString();
        for (size_t i = 0; i < 333; ++i) {
            const MenuItem& item = header.submenu->items[first + i];
            EXPECT_EQ(item.tooltip.toStdString(), folders[i]);
            const auto decoded = DecodeMenuItemTag(item.tag);
            ASSERT_TRUE(decoded) << item.tag;
            EXPECT_EQ(static_cast<int>(decoded->command), header.tag) << item.tag;
            EXPECT_EQ(decoded->folderIndex, static_cast<int>(i) + 1) << item.tag;
        }
        EXPECT_EQ(header.submenu->items.back().tag, 333 * header.tag);
    }
    EXPECT_EQ(headers, 6);
}

TEST_F(MenuBadInputTest, TenThousandSelectedItems) {
    std::vector<std::string> paths;
    for (int i = 0; i < 10000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "sel/item %05d", i);
        paths.push_back(WriteFile(name));
    }
    SelectPaths(paths);
    const std::string text = StatusText();
    EXPECT_EQ(text.substr(0, text.find('\n')), "10000 Items, First item: item 00000");
    const Menu& menu = Core().StatusMenu();
    ASSERT_TRUE(menu.items[0].submenu);
    ASSERT_EQ(menu.items[0].submenu->items.size(), 10000u);
    EXPECT_EQ(menu.items[0].submenu->items[9999].tooltip.toStdString(), paths[9999]);
    EXPECT_EQ(CountLines(text), CountItems(menu));
    EXPECT_EQ(Core().Selection().count, 10000);
    EXPECT_EQ(CountItems(Core().MoveServiceMenu()), CountItems(menu) - 1);
}

TEST_F(MenuBadInputTest, CommandLinePrintsBothFullMenus) {
    const std::string tab = WriteFile("sel/x\ty.pdf");
    const std::string bad = WriteFile("sel/\xc3(.txt");
    const std::string dest = MakeDir("dest/Target");
    SelectPaths({FileUri(tab), FileUri(bad)});
    SetDestinations({dest});
    SetExtensions({"pdf"}, {dest});
    Core().Setup();

    std::string status;
    ASSERT_EQ(RunProgram({FERROLET_BINARY, "--menu"}, &status), 0);
    EXPECT_EQ(status, MenuToText(Core().StatusMenu()).toStdString());
    std::string moveService;
    ASSERT_EQ(RunProgram({FERROLET_BINARY, "--menu", "--move-service"}, &moveService), 0);
    EXPECT_EQ(moveService, MenuToText(Core().MoveServiceMenu()).toStdString());

    EXPECT_NE(status.find("Put In Its Place"), std::string::npos);
    EXPECT_NE(status.find("About Ferrolet"), std::string::npos);
    EXPECT_EQ(moveService.find("About Ferrolet"), std::string::npos);
    EXPECT_EQ(CountLines(status), CountItems(Core().StatusMenu()));
    EXPECT_EQ(QString::fromUtf8(status).toUtf8().toStdString(), status)
        << "the output is valid UTF-8";
}

TEST_F(MenuBadInputTest, EntryPointsSurviveASettingsFileNestedTooDeep) {
    // The plist library frees its trees recursively: this used to overflow
    // the stack of every entry point.
    std::string deep = "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>K</key>";
    for (int i = 0; i < 200000; ++i) {
        deep += "<array>";
    }
    const std::string file = SettingsStore::DefaultFilePath();
    WriteFile("home/.config/com.quorvane.Ferrolet.plist", deep);
    for (const char* entry : {"--settings", "--menu"}) {
        QProcess run;
        run.start(QStringLiteral(FERROLET_BINARY), {QString::fromLatin1(entry)});
        ASSERT_TRUE(run.waitForFinished(120000)) << entry;
        EXPECT_EQ(run.exitStatus(), QProcess::NormalExit) << entry;
        EXPECT_EQ(run.exitCode(), 0) << entry;
        const QString errors = QString::fromUtf8(run.readAllStandardError());
        EXPECT_EQ(errors.count(QStringLiteral("could not be read; defaults apply")), 1)
            << entry << ": " << errors.toStdString();
        if (std::string(entry) == "--settings") {
            EXPECT_TRUE(run.readAllStandardOutput().contains("WrapCopies = true (default)"));
        }
        EXPECT_EQ(ReadFile(file), deep) << entry << ": the file is kept as it was";
    }
}

} // namespace
