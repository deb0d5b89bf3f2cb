// Folder tests, hidden items, display names and extensions on real items.
#include "items/ItemKinds.h"
#include "TestEnvironment.h"
#include "items/ItemNames.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace ferrolet;

namespace {

using ItemKindsTest = ferrolet::test::TempHome;

// An AppDir (an executable AppRun, here a link to the program inside) is an
// application; a link to a folder is no folder; a folder with an AppRun that
// is not executable, a folder or a dangling link is plain. (A plain AppDir,
// a file and a folder: the commands' DestinationListTest and CutAndPasteTest.)
TEST_F(ItemKindsTest, PlainFoldersAreDirectoriesThatAreNotAppDirs) {
    ASSERT_EQ(symlink(MakeDir("Documents").c_str(), Path("docs-link").c_str()), 0);
    ASSERT_EQ(chmod(WriteFile("Linked.AppDir/usr/bin/tool", "#!/bin/sh\n").c_str(), 0755), 0);
    ASSERT_EQ(symlink("usr/bin/tool", Path("Linked.AppDir/AppRun").c_str()), 0);
    ASSERT_EQ(chmod(WriteFile("Notes/AppRun", "text").c_str(), 0644), 0);
    MakeDir("Odd/AppRun");
    ASSERT_EQ(symlink("missing", (MakeDir("Broken") + "/AppRun").c_str()), 0);
    for (const char* name : {"docs-link", "Linked.AppDir"}) {
        EXPECT_FALSE(IsPlainFolder(Ref(Path(name)))) << name;
    }
    for (const char* name : {"Notes", "Odd", "Broken"}) {
        EXPECT_TRUE(IsPlainFolder(Ref(Path(name)))) << name;
    }
    EXPECT_TRUE(IsPlainFolder(Ref("/")));
    const FileRef gone = Ref(MakeDir("gone"));
    ASSERT_EQ(rmdir(Path("gone").c_str()), 0);
    EXPECT_FALSE(IsPlainFolder(gone));
    EXPECT_FALSE(IsPlainFolder(FileRef()));
}

// Dot names are hidden, and so are files (links included, never folders)
// named one a line in the folder's .hidden, a Windows line end tolerated;
// a .hidden that is a link is not read (it could point anywhere).
TEST_F(ItemKindsTest, HiddenItems) {
    for (const char* name : {"secret.txt", "secret.txt.bak", "crlf.txt", "visible.txt"}) {
        WriteFile(std::string("dir/") + name);
    }
    MakeDir("dir/Listed Folder");
    MakeDir("dir/.cache");
    ASSERT_EQ(symlink("visible.txt", Path("dir/secret-link").c_str()), 0);
    WriteFile("dir/.hidden", "secret.txt\ncrlf.txt\r\nListed Folder\nsecret-link\n\n");
    const std::pair<const char*, bool> cases[] = {
        {".hidden", true},        {".cache", true},      {"secret.txt", true},
        {"crlf.txt", true},       {"secret-link", true}, {"secret.txt.bak", false},
        {"Listed Folder", false}, {"visible.txt", false}};
    for (const auto& [name, hidden] : cases) {
        EXPECT_EQ(IsHiddenItem(Ref(Path("dir/") + name)), hidden) << name;
    }
    ASSERT_EQ(unlink(Path("dir/.hidden").c_str()), 0);
    WriteFile("list-elsewhere", "visible.txt\n");
    ASSERT_EQ(symlink(Path("list-elsewhere").c_str(), Path("dir/.hidden").c_str()), 0);
    EXPECT_FALSE(IsHiddenItem(Ref(Path("dir/visible.txt"))));
    const FileRef gone = Ref(WriteFile("dir/.gone"));
    ASSERT_EQ(unlink(Path("dir/.gone").c_str()), 0);
    EXPECT_FALSE(IsHiddenItem(gone));
    EXPECT_FALSE(IsHiddenItem(FileRef()));
}

TEST_F(ItemKindsTest, NamesAndExtensions) {
    const FileRef pdf = Ref(WriteFile("Report.Final.PDF"));
    EXPECT_EQ(ItemFileName(pdf), std::optional<std::string>("Report.Final.PDF"));
    EXPECT_EQ(ItemDisplayName(pdf), QStringLiteral("Report.Final.PDF"));
    EXPECT_EQ(LowercaseExtension(pdf), QStringLiteral("pdf"));

    EXPECT_EQ(LowercaseExtension(Ref(WriteFile("caf\xc3\xa9.\xc3\x89T\xc3\x89"))),
              QString::fromUtf8("\xc3\xa9t\xc3\xa9"));
    EXPECT_EQ(LowercaseExtension(Ref(MakeDir("Bundle.App"))), QStringLiteral("app"));

    // Names that are not UTF-8 are shown with replacement characters, and
    // kept as bytes where the item is named.
    const std::string raw = "bad\xff\xfename";
    const FileRef bad = Ref(WriteFile(raw));
    EXPECT_EQ(ItemFileName(bad), std::optional<std::string>(raw));
    EXPECT_EQ(ItemDisplayName(bad), QString::fromUtf8("bad\xef\xbf\xbd\xef\xbf\xbdname"));

    // The root of a volume shows a name, never an empty one.
    EXPECT_FALSE(ItemDisplayName(Ref("/")).isEmpty());

    // Gone and null references give none.
    ASSERT_EQ(unlink(Path("Report.Final.PDF").c_str()), 0);
    EXPECT_FALSE(ItemFileName(pdf).has_value());
    EXPECT_TRUE(ItemDisplayName(pdf).isNull());
    EXPECT_TRUE(LowercaseExtension(pdf).isNull());
    EXPECT_TRUE(ItemDisplayName(FileRef()).isNull());
    EXPECT_FALSE(ItemFileName(Ref("/")).has_value());
}

} // namespace
