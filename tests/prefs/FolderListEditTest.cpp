// Adding, dropping, reordering, deleting and editing rows of the two folder
// lists, each change checked in the stored file.
#include "PrefsFixture.h"

#include "prefs/DroppedFolders.h"
#include "prefs/FolderCollation.h"
#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"

#include <QUrl>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet::test {
namespace {

class FolderListEditTest : public PrefsFixture {
protected:
    // The destination list as another reader of the store sees it.
    QStringList StoredDestinations() const {
        return FolderPathnames(*FreshStore(), keys::PathnamesAliases);
    }
    QStringList StoredExtensionFolders() const {
        return FolderPathnames(*FreshStore(), keys::ExtensionPathsAliases);
    }
};

TEST_F(FolderListEditTest, AddedFoldersGoToTheTopInNumericCaseBlindOrder) {
    const QString x = Dir("X");
    const QString f10 = Dir("folders/Folder 10");
    const QString f2 = Dir("folders/folder 2");
    const QString f9 = Dir("folders/Folder 9");
    PreferencesModel& model = Model();
    model.AddFolders({x});
    model.AddFolders({f10, f2, f9});
    const QStringList expected{f10, f9, f2, x};
    EXPECT_EQ(model.Pathnames(), expected);
    EXPECT_EQ(StoredDestinations(), expected);

    model.AddExtensionsFolders({x});
    model.AddExtensionsFolders({f2, f9, f10});
    EXPECT_EQ(model.ExtensionPaths(), expected);
    EXPECT_EQ(model.Extensions(), QStringList({"???", "???", "???", "???"}));
    EXPECT_EQ(Strings(Stored().value("Extensions")), model.Extensions());
    EXPECT_EQ(StoredExtensionFolders(), expected);

    // The same folder may be listed twice; nothing is added for no folders.
    model.AddFolders({x});
    model.AddFolders({});
    EXPECT_EQ(model.Pathnames().size(), 5);
    EXPECT_EQ(model.Pathnames().front(), x);
}

TEST_F(FolderListEditTest, CollationComparesDigitsAsNumbersAndKeepsPunctuation) {
    QStringList paths{"/p/b-2", "/p/B 1", "/p/a100", "/p/a20", "/p/A3", "/p/b_2", "/p/b 2"};
    SortFolderPaths(paths);
    EXPECT_EQ(paths.indexOf("/p/A3"), 0);
    EXPECT_EQ(paths.indexOf("/p/a20"), 1);
    EXPECT_EQ(paths.indexOf("/p/a100"), 2);
    EXPECT_LT(paths.indexOf("/p/B 1"), paths.indexOf("/p/b 2"));
    // Punctuation counts: the three "b?2" names are told apart, not merged in
    // input order.
    QStringList reversed{"/p/b 2", "/p/b_2", "/p/b-2"};
    QStringList forward{"/p/b-2", "/p/b_2", "/p/b 2"};
    SortFolderPaths(reversed);
    SortFolderPaths(forward);
    EXPECT_EQ(reversed, forward);
}

TEST_F(FolderListEditTest, OnlyPlainFoldersAreTakenFromADrop) {
    const QString folder = Dir("drops/Plain");
    const QString file = QString::fromStdString(WriteFile("drops/file.txt"));
    const std::string appDir = MakeDir("drops/Tool.AppDir");
    const std::string appRun = WriteFile("drops/Tool.AppDir/AppRun", "#!/bin/sh\n");
    ASSERT_EQ(chmod(appRun.c_str(), 0755), 0);
    const QString link = QString::fromStdString(Path("drops/link-to-plain"));
    ASSERT_EQ(symlink(folder.toUtf8().constData(), link.toUtf8().constData()), 0);
    const QString vanished = QString::fromStdString(Path("drops/vanished"));
    // A folder with a non-executable AppRun file is still a plain folder.
    const QString notApp = Dir("drops/Notes");
    WriteFile("drops/Notes/AppRun", "just a note");

    EXPECT_TRUE(IsDroppablePlainFolder(folder));
    EXPECT_TRUE(IsDroppablePlainFolder(notApp));
    EXPECT_FALSE(IsDroppablePlainFolder(file));
    EXPECT_FALSE(IsDroppablePlainFolder(QString::fromStdString(appDir)));
    EXPECT_FALSE(IsDroppablePlainFolder(link));
    EXPECT_FALSE(IsDroppablePlainFolder(vanished));
    EXPECT_FALSE(IsDroppablePlainFolder(QStringLiteral("relative/path")));

    PreferencesModel& model = Model();
    for (const QString& refused : {file, QString::fromStdString(appDir), link, vanished}) {
        EXPECT_FALSE(model.DropFolders(FolderTable::Destinations, {refused}))
            << refused.toStdString();
        EXPECT_FALSE(model.DropFolders(FolderTable::Extensions, {refused}));
    }
    EXPECT_TRUE(model.Pathnames().isEmpty());
    EXPECT_TRUE(model.Extensions().isEmpty());

    EXPECT_TRUE(
        model.DropFolders(FolderTable::Extensions, {file, folder, QString::fromStdString(appDir)}));
    EXPECT_EQ(model.ExtensionPaths(), QStringList({folder}));
    EXPECT_EQ(model.Extensions(), QStringList({"???"}));

    // Only file:// URIs name local folders.
    const QStringList local = LocalPathsOfUrls(
        {QUrl::fromLocalFile(folder), QUrl("https://example.org/x"), QUrl("smb://host/share")});
    EXPECT_EQ(local, QStringList({folder}));
}

TEST_F(FolderListEditTest, ExtensionsAreStoredLowerCasedAsTyped) {
    const QString a = Dir("folders/A");
    PreferencesModel& model = Model();
    model.AddExtensionsFolders({a});
    const std::vector<std::pair<QString, QString>> typed{
        {"PDF", "pdf"},
        {".PDF", ".pdf"},
        {"Tar.GZ", "tar.gz"},
        {" a/b ", " a/b "},
        {QString::fromUtf8("ÄÖÜ"), QString::fromUtf8("äöü")},
        {QString(300, QChar('X')), QString(300, QChar('x'))},
        {"", ""},
    };
    for (const auto& [input, expected] : typed) {
        model.SetExtension(0, input);
        EXPECT_EQ(model.Extensions(), QStringList({expected}));
        EXPECT_EQ(Strings(Stored().value("Extensions")), QStringList({expected}))
            << input.toStdString();
    }
    EXPECT_EQ(StoredExtensionFolders(), QStringList({a})) << "the folder stays paired";
    model.SetExtension(7, "ignored");
    EXPECT_EQ(model.Extensions().size(), 1);
}

TEST_F(FolderListEditTest, DeletingRowsKeepsExtensionsAndFoldersInStep) {
    QStringList folders;
    for (const char* name : {"A", "B", "C", "D"}) {
        folders.append(Dir(std::string("ext/") + name));
    }
    PreferencesModel& model = Model();
    model.AddExtensionsFolders(folders); // [D, C, B, A]
    const QStringList extensions{"d", "c", "b", "a"};
    for (int i = 0; i < 4; ++i) {
        model.SetExtension(i, extensions[i].toUpper());
    }
    model.DeleteRows(FolderTable::Extensions, {2, 0});
    EXPECT_EQ(model.Extensions(), QStringList({"c", "a"}));
    EXPECT_EQ(model.ExtensionPaths(), QStringList({folders[2], folders[0]}));

    const QJsonObject stored = Stored();
    EXPECT_EQ(Strings(stored.value("Extensions")), QStringList({"c", "a"}));
    EXPECT_EQ(stored.value("ExtensionPathsAliases").toArray().size(), 2);
    EXPECT_EQ(StoredExtensionFolders(), QStringList({folders[2], folders[0]}));

    // A delete with nothing selected removes nothing.
    model.DeleteRows(FolderTable::Extensions, {});
    model.DeleteRows(FolderTable::Extensions, {9});
    EXPECT_EQ(model.Extensions(), QStringList({"c", "a"}));
    EXPECT_EQ(StoredExtensionFolders(), QStringList({folders[2], folders[0]}));

    // The destination list is untouched by all this, and its own delete
    // works the same way.
    model.AddFolders({folders[0], folders[1], folders[2]});
    model.DeleteRows(FolderTable::Destinations, {1});
    EXPECT_EQ(StoredDestinations(), QStringList({folders[2], folders[0]}));
}

TEST_F(FolderListEditTest, AThousandFoldersRoundTrip) {
    QStringList folders;
    for (int i = 0; i < 1000; ++i) {
        folders.append(Dir("many/Folder " + std::to_string(i)));
    }
    PreferencesModel& model = Model();
    model.AddFolders(folders);
    ASSERT_EQ(model.Pathnames().size(), 1000);
    EXPECT_EQ(model.Pathnames().front(), folders.back()); // "Folder 999" sorts last
    EXPECT_EQ(model.Pathnames().back(), folders.front());
    model.DeleteRows(FolderTable::Destinations, {0, 999});
    PreferencesModel& reloaded = Model();
    ASSERT_EQ(reloaded.Pathnames().size(), 998);
    EXPECT_EQ(reloaded.Pathnames().front(), folders[998]);
    EXPECT_EQ(reloaded.Pathnames().back(), folders[1]);
}

} // namespace
} // namespace ferrolet::test
