// Folder tests, hidden items, display names and extensions on real items.
#include "items/ItemKinds.h"
#include "TestEnvironment.h"
#include "items/ItemNames.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace ferrolet;

namespace {

using ItemKindsTest = ferrolet::test::TempHome;

TEST_F(ItemKindsTest, PlainFoldersAreDirectoriesThatAreNotAppDirs) {
    EXPECT_TRUE(IsPlainFolder(Ref(MakeDir("Documents"))));
    EXPECT_TRUE(IsPlainFolder(Ref("/")));
    EXPECT_FALSE(IsPlainFolder(Ref(WriteFile("file.txt"))));

    // A link to a folder is not a folder, for either question.
    ASSERT_EQ(symlink(Path("Documents").c_str(), Path("docs-link").c_str()), 0);
    EXPECT_FALSE(IsPlainFolder(Ref(Path("docs-link"))));
    bool isFolder = true;
    ASSERT_EQ(ReadItemKind(Ref(Path("docs-link")), &isFolder), 0);
    EXPECT_FALSE(isFolder);
    ASSERT_EQ(ReadItemKind(Ref(Path("Documents")), &isFolder), 0);
    EXPECT_TRUE(isFolder);

    // An AppDir is an application: an executable AppRun, directly or
    // through a link to the program inside it.
    WriteFile("Tool.AppDir/AppRun", "#!/bin/sh\n");
    ASSERT_EQ(chmod(Path("Tool.AppDir/AppRun").c_str(), 0755), 0);
    EXPECT_FALSE(IsPlainFolder(Ref(Path("Tool.AppDir"))));

    WriteFile("Linked.AppDir/usr/bin/tool", "#!/bin/sh\n");
    ASSERT_EQ(chmod(Path("Linked.AppDir/usr/bin/tool").c_str(), 0755), 0);
    ASSERT_EQ(symlink("usr/bin/tool", Path("Linked.AppDir/AppRun").c_str()), 0);
    EXPECT_FALSE(IsPlainFolder(Ref(Path("Linked.AppDir"))));

    // Not executable, a folder called AppRun, or a dangling AppRun link:
    // just a folder.
    WriteFile("Notes/AppRun", "text");
    ASSERT_EQ(chmod(Path("Notes/AppRun").c_str(), 0644), 0);
    EXPECT_TRUE(IsPlainFolder(Ref(Path("Notes"))));
    MakeDir("Odd/AppRun");
    EXPECT_TRUE(IsPlainFolder(Ref(Path("Odd"))));
    MakeDir("Broken");
    ASSERT_EQ(symlink("missing", Path("Broken/AppRun").c_str()), 0);
    EXPECT_TRUE(IsPlainFolder(Ref(Path("Broken"))));

    // A reference that is null or stale is not a folder.
    const FileRef gone = Ref(MakeDir("gone"));
    ASSERT_EQ(rmdir(Path("gone").c_str()), 0);
    EXPECT_FALSE(IsPlainFolder(gone));
    EXPECT_FALSE(IsPlainFolder(FileRef()));
}

TEST_F(ItemKindsTest, HiddenItems) {
    EXPECT_TRUE(IsHiddenItem(Ref(WriteFile("dir/.profile"))));
    EXPECT_TRUE(IsHiddenItem(Ref(MakeDir("dir/.cache"))));
    EXPECT_FALSE(IsHiddenItem(Ref(WriteFile("dir/visible.txt"))));

    // The parent's .hidden file hides files listed in it, one name a line
    // (a Windows line end tolerated), but not folders, and not names that
    // merely contain a listed name.
    WriteFile("dir/secret.txt");
    WriteFile("dir/secret.txt.bak");
    WriteFile("dir/crlf.txt");
    MakeDir("dir/Listed Folder");
    WriteFile("dir/.hidden", "secret.txt\ncrlf.txt\r\nListed Folder\n\n");
    EXPECT_TRUE(IsHiddenItem(Ref(Path("dir/secret.txt"))));
    EXPECT_TRUE(IsHiddenItem(Ref(Path("dir/crlf.txt"))));
    EXPECT_FALSE(IsHiddenItem(Ref(Path("dir/secret.txt.bak"))));
    EXPECT_FALSE(IsHiddenItem(Ref(Path("dir/Listed Folder"))));
    EXPECT_FALSE(IsHiddenItem(Ref(Path("dir/visible.txt"))));

    // A link is an item of its own: listed, it is hidden.
    ASSERT_EQ(symlink("visible.txt", Path("dir/secret-link").c_str()), 0);
    WriteFile("dir/.hidden", "secret-link\n");
    EXPECT_TRUE(IsHiddenItem(Ref(Path("dir/secret-link"))));
    EXPECT_FALSE(IsHiddenItem(Ref(Path("dir/secret.txt"))));

    // A .hidden that is a link is not read (it could point anywhere).
    ASSERT_EQ(unlink(Path("dir/.hidden").c_str()), 0);
    WriteFile("list-elsewhere", "visible.txt\n");
    ASSERT_EQ(symlink(Path("list-elsewhere").c_str(), Path("dir/.hidden").c_str()), 0);
    EXPECT_FALSE(IsHiddenItem(Ref(Path("dir/visible.txt"))));

    // A name that cannot be read is not hidden.
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

    const FileRef accented = Ref(WriteFile("caf\xc3\xa9.\xc3\x89T\xc3\x89"));
    EXPECT_EQ(LowercaseExtension(accented), QString::fromUtf8("\xc3\xa9t\xc3\xa9"));

    EXPECT_TRUE(LowercaseExtension(Ref(WriteFile(".bashrc"))).isNull());
    EXPECT_TRUE(LowercaseExtension(Ref(WriteFile("trailing."))).isNull());
    EXPECT_TRUE(LowercaseExtension(Ref(MakeDir("Photos"))).isNull());
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
