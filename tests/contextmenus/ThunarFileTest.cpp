// Thunar's uca.xml is the user's file too: every byte outside our markers
// stays, a file it cannot read stays whole; and entries appear only in file
// managers the user installed them in.
#include "MenuFilesFixture.h"
#include "contextmenus/ThunarMenus.h"

#include <filesystem>

namespace ferrolet::test {
namespace {

namespace fs = std::filesystem;
using MenuFiles = MenuFilesFixture;

// A file as Thunar and a user leave it: odd spacing, a comment, an action.
const std::string kHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!-- mine -->\n"
                          "<actions>\n  <action><name>Mine &amp; only</name>"
                          "<command>echo %f</command><unique-id>1-2</unique-id></action>\n";
const std::string kTail = "</actions>\n\n";

int Count(const std::string& text, const std::string& part) {
    return int(QString::fromStdString(text).count(QString::fromStdString(part)));
}

TEST_F(MenuFiles, ThunarKeepsEveryOtherByteAndReplacesOnlyOurBlock) {
    const std::string uca = WriteFile("home/.config/Thunar/uca.xml", kHead + kTail);
    ASSERT_EQ(uca, m_places.thunar + "/uca.xml");
    ThunarMenus thunar(m_places.thunar);
    const std::string a = MakeDir("A"), b = MakeDir("B");
    SetDestinations({a, b});
    ASSERT_EQ(thunar.Write(Model()), 0);
    std::string text = ReadFile(uca);
    EXPECT_TRUE(text.starts_with(kHead) && text.ends_with(kTail));
    EXPECT_EQ(Count(text, "ferrolet-dest-move-to-2"), 1);
    EXPECT_TRUE(IsActionsDocument(text));

    // The list shrinks: the block is replaced, the stale entry gone.
    SetDestinations({a});
    ASSERT_EQ(thunar.Write(Model()), 0);
    text = ReadFile(uca);
    EXPECT_EQ(Count(text, ThunarMenus::kBeginMarker), 1);
    EXPECT_EQ(Count(text, "ferrolet-dest-move-to-2"), 0);
    EXPECT_EQ(Count(text, "ferrolet-dest-move-to-1"), 1);

    // Thunar rewrote the file and dropped the comments: our actions are
    // found by their ids, not doubled.
    std::string unmarked = text;
    unmarked.erase(unmarked.find(ThunarMenus::kBeginMarker),
                   std::strlen(ThunarMenus::kBeginMarker));
    unmarked.erase(unmarked.find(ThunarMenus::kEndMarker), std::strlen(ThunarMenus::kEndMarker));
    WriteFile("home/.config/Thunar/uca.xml", unmarked);
    ASSERT_EQ(thunar.Write(Model()), 0);
    EXPECT_EQ(Count(ReadFile(uca), "ferrolet-dest-move-to-1"), 1);

    ASSERT_EQ(thunar.Remove(), 0);
    EXPECT_FALSE(thunar.Installed());
    const std::string removed = ReadFile(uca);
    EXPECT_TRUE(removed.starts_with(kHead) && removed.ends_with(kTail)) << removed;
    EXPECT_EQ(Count(removed, "ferrolet"), 0);

    // A file Thunar could not read is left whole, the other managers served.
    const std::string broken = kHead + "<action><name>half";
    WriteFile("home/.config/Thunar/uca.xml", broken);
    QStringList written, failed;
    WriteContextMenus(Model(), m_places, MenuScope::Everywhere, &written, &failed);
    EXPECT_EQ(failed, QStringList{"Thunar"});
    EXPECT_EQ(written, (QStringList{"Dolphin", "Nemo", "Nautilus", "Caja"}));
    EXPECT_EQ(ReadFile(uca), broken);
    EXPECT_EQ(LogLines().filter(QStringLiteral("Thunar custom actions file alone")).size(), 1);
    // No temporary file left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_places.thunar), fs::directory_iterator()), 1);
}

TEST_F(MenuFiles, ListChangesReachOnlyTheFileManagersTheUserInstalled) {
    const std::string a = MakeDir("A");
    SetDestinations({a});
    // A home that never asked gets nothing.
    WriteContextMenus(Model(), m_places, MenuScope::WhereInstalled);
    EXPECT_FALSE(Exists(Path("home/.local/share")) || Exists(Path("home/.config/Thunar")));

    // Installed for Thunar only; a scripts folder "Ferrolet" of the user's
    // own (a link) is never written through.
    ASSERT_EQ(ThunarMenus(m_places.thunar).Write(Model()), 0);
    fs::create_directories(m_places.nautilus);
    fs::create_directory_symlink(MakeDir("shipped"), m_places.nautilus + "/Ferrolet");

    // Add Folder, run by the program itself on a right-clicked folder.
    const std::string added = MakeDir("Added \"one\"");
    std::string out;
    EXPECT_EQ(RunProgram({FERROLET_BINARY, "--command", "-1001", added}, &out), 0) << out;
    EXPECT_NE(ReadFile(m_places.thunar + "/uca.xml").find("Move To ▸ Added &quot;one&quot;"),
              std::string::npos);
    EXPECT_FALSE(Exists(m_places.dolphin) || Exists(m_places.nemo) || Exists(m_places.caja));
    EXPECT_TRUE(fs::is_empty(Path("shipped")));

    // `ferrolet --install-menus` installs everywhere but in the folder that
    // is not ours, and says so in its exit status; --remove-menus undoes it.
    std::string said;
    EXPECT_EQ(RunProgram({FERROLET_BINARY, "--install-menus"}, &said), 1) << said;
    EXPECT_NE(said.find("context menus of Dolphin"), std::string::npos) << said;
    EXPECT_TRUE(Exists(m_places.caja + "/Ferrolet"));
    EXPECT_TRUE(fs::is_empty(Path("shipped")));
    RunProgram({FERROLET_BINARY, "--remove-menus"});
    EXPECT_TRUE(fs::is_empty(m_places.dolphin) && fs::is_empty(m_places.nemo));
    EXPECT_FALSE(Exists(m_places.caja + "/Ferrolet"));
    EXPECT_TRUE(fs::is_symlink(m_places.nautilus + "/Ferrolet"));
    EXPECT_EQ(ReadFile(m_places.thunar + "/uca.xml").find("ferrolet"), std::string::npos);
}

} // namespace
} // namespace ferrolet::test
