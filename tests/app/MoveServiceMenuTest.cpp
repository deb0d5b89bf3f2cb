// The Move Service window's menu: the same build as the status menu with
// its own differences, and the old item it keeps while rebuilding.
#include "MenuFixture.h"
#include "app/MoveServiceMenuBuilder.h"

using namespace ferrolet;
using namespace ferrolet::test;
using namespace ferrolet::test::lines;

namespace {

class MoveServiceMenuTest : public MenuFixture {
protected:
    std::string MoveServiceText() {
        Core().Setup();
        return MenuToText(Core().MoveServiceMenu()).toStdString();
    }
};

TEST_F(MoveServiceMenuTest, SameCommandsAsTheStatusMenuWithoutAbout) {
    const std::string report = WriteFile("sel/Report.pdf");
    const std::string notes = WriteFile("sel/notes");
    const std::string alpha = MakeDir("dest/Alpha");
    SelectPaths({report, notes});
    SetDestinations({alpha});
    SetExtensions({"pdf"}, {MakeDir("filed/PDFs")});

    EXPECT_EQ(MoveServiceText(),
              "2 Items, First item: Report.pdf\n" + OpenItem("Report.pdf", report) +
                  OpenItem("notes", notes) + kSeparator + kWrap + kSeparator + kCut + kSeparator +
                  kPut + kSeparator + AllHeaders({{"Alpha", alpha}}) + kMoveServiceClosing);
    // Apart from About, the menus are the same.
    std::string status = MenuToText(Core().StatusMenu()).toStdString();
    status.erase(status.find("About Ferrolet\taction=about\n"),
                 std::string("About Ferrolet\taction=about\n").size());
    EXPECT_EQ(status, MenuToText(Core().MoveServiceMenu()).toStdString());
}

TEST_F(MoveServiceMenuTest, FirstItemWithoutNameAndInvalidReferences) {
    const std::string file = WriteFile("sel/kept.txt");
    SelectPaths({Path("sel/missing"), file});
    EXPECT_EQ(MoveServiceText(),
              Greyed("The first selected item has no name") + kMoveServiceClosing);
    // The status menu built in the same Setup says it differently.
    EXPECT_EQ(MenuToText(Core().StatusMenu()).toStdString().find("has no name"), std::string::npos);
    EXPECT_EQ(MenuToText(Core().StatusMenu()).toStdString().substr(0, kWrap.size()), kWrap);

    SelectPaths({Path("sel/missing"), Path("sel/missing too")});
    const std::string text = MoveServiceText();
    EXPECT_EQ(text, Greyed("The first selected item has no name") + kMoveServiceClosing);
    EXPECT_EQ(text.find("File references are invalid"), std::string::npos);
    EXPECT_NE(MenuToText(Core().StatusMenu()).toStdString().find("File references are invalid"),
              std::string::npos);

    FailSelection();
    EXPECT_EQ(MoveServiceText(),
              Greyed("The file manager has no active selection") + kMoveServiceClosing);
}

TEST_F(MoveServiceMenuTest, EachBuildLeavesExactlyItsOwnItems) {
    const std::string a = WriteFile("sel/a.txt");
    const std::string b = WriteFile("sel/b.txt");
    SelectionSnapshot snapshot;
    QMap<QString, QString> map;
    CutState cut;
    MenuBuildInputs inputs{*m_store, snapshot, map, cut};

    SelectPaths({a});
    Menu fromEmpty;
    BuildMoveServiceMenu(inputs, fromEmpty);
    const std::string forA = MenuToText(fromEmpty).toStdString();
    EXPECT_EQ(forA.substr(0, forA.find('\n')), "1 Item, First item: a.txt")
        << "a menu that held nothing keeps the first item of its build";

    // Built over one old item, over many, and over its own previous build.
    Menu one;
    one.Append(MenuItem::Info("old item"));
    BuildMoveServiceMenu(inputs, one);
    EXPECT_EQ(MenuToText(one).toStdString(), forA);

    Menu many;
    for (int i = 0; i < 5; ++i) {
        many.Append(MenuItem::Info(QStringLiteral("old %1").arg(i)));
    }
    many.AppendSeparator();
    BuildMoveServiceMenu(inputs, many);
    EXPECT_EQ(MenuToText(many).toStdString(), forA);

    SelectPaths({b, a});
    BuildMoveServiceMenu(inputs, many);
    const std::string forBA = MenuToText(many).toStdString();
    EXPECT_EQ(forBA.substr(0, forBA.find('\n')), "2 Items, First item: b.txt");
    EXPECT_EQ(forBA.find("\nold "), std::string::npos);
    Menu fresh;
    BuildMoveServiceMenu(inputs, fresh);
    EXPECT_EQ(MenuToText(fresh).toStdString(), forBA);
    EXPECT_EQ(many.items.back().title, QStringLiteral("Quit"));
}

TEST_F(MoveServiceMenuTest, SetupLeavesTheSecondSnapshotInForce) {
    // The script hands out a different selection on each run.
    const std::string first = WriteFile("sel/first");
    const std::string second = WriteFile("sel/second");
    const std::string script = m_dataDir + "/selection";
    std::ofstream(script) << "#!/bin/sh\nn=$(cat '" << m_dataDir
                          << "/runs' 2>/dev/null || echo 0)\n"
                          << "echo $((n + 1)) > '" << m_dataDir << "/runs'\n"
                          << "if [ $((n % 2)) = 0 ]; then echo '" << first << "'; else echo '"
                          << second << "'; fi\n";
    Core(); // builds once at construction
    std::remove((m_dataDir + "/runs").c_str());
    Core().Setup();
    EXPECT_EQ(ReadFile(m_dataDir + "/runs"), "2\n") << "each build asks for the selection";
    EXPECT_NE(MenuToText(Core().StatusMenu()).indexOf("First item: first"), -1);
    EXPECT_NE(MenuToText(Core().MoveServiceMenu()).indexOf("First item: second"), -1);
    ASSERT_EQ(Core().Selection().items.size(), 1u);
    EXPECT_EQ(Core().Selection().items[0].Path(), second);
}

} // namespace
