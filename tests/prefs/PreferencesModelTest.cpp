// The preferences logic on its model, each change checked in the settings
// file as Python's plistlib reads it and as a fresh store reads it.
#include "PrefsFixture.h"

#include "prefs/DroppedFolders.h"
#include "prefs/FolderCollation.h"
#include "prefs/RowReorder.h"

#include <QUrl>

#include <unistd.h>

namespace ferrolet::test {
namespace {

using PreferencesModelTest = PrefsFixture;

TEST_F(PreferencesModelTest, AddedAndDroppedFoldersGoToTheTopInNumericCaseBlindOrder) {
    const QString x = Dir("X");
    const QString f10 = Dir("folders/Folder 10");
    const QString f2 = Dir("folders/folder 2");
    const QString f9 = Dir("folders/Folder 9");
    PreferencesModel& model = Model();
    model.AddFolders({x});
    model.AddFolders({f10, f2, f9});
    const QStringList expected{f10, f9, f2, x};
    EXPECT_EQ(StoredList(keys::PathnamesAliases), expected);
    model.AddExtensionsFolders({x});
    model.AddExtensionsFolders({f2, f9, f10});
    EXPECT_EQ(StoredList(keys::ExtensionPathsAliases), expected);
    EXPECT_EQ(StoredStrings("Extensions"), QStringList({"???", "???", "???", "???"}));
    model.AddFolders({x}); // the same folder may be listed twice
    model.AddFolders({});
    EXPECT_EQ(model.Pathnames().size(), 5);
    // Punctuation tells names apart whatever order they came in.
    QStringList reversed{"/p/b 2", "/p/b_2", "/p/b-2", "/p/a100", "/p/A3"};
    QStringList forward{"/p/A3", "/p/b-2", "/p/a100", "/p/b_2", "/p/b 2"};
    SortFolderPaths(reversed);
    SortFolderPaths(forward);
    EXPECT_EQ(reversed, forward);
    EXPECT_EQ(forward.mid(0, 2), QStringList({"/p/A3", "/p/a100"}));

    // Only plain folders are taken from a drop, a link as itself (which
    // folders are plain, AppDirs aside: ItemKindsTest).
    const QString file = QString::fromStdString(WriteFile("drops/file.txt"));
    const QString link = QString::fromStdString(Path("drops/link"));
    ASSERT_EQ(symlink(x.toUtf8().constData(), link.toUtf8().constData()), 0);
    for (const QString& refused : {file, link, QString::fromStdString(Path("drops/gone")),
                                   QStringLiteral("relative/path")}) {
        EXPECT_FALSE(IsDroppablePlainFolder(refused)) << refused.toStdString();
        EXPECT_FALSE(model.DropFolders(FolderTable::Destinations, {refused}));
    }
    EXPECT_TRUE(model.DropFolders(FolderTable::Extensions, {file, f2, link}));
    EXPECT_EQ(model.ExtensionPaths().front(), f2);
    EXPECT_EQ(LocalPathsOfUrls({QUrl::fromLocalFile(x), QUrl("https://example.org/x"),
                                QUrl("smb://host/share")}),
              QStringList({x}));
}

TEST_F(PreferencesModelTest, DestinationChangesAreAnnouncedOnceStoredAndReorderedByDrags) {
    const QString a = Dir("folders/A");
    const QString b = Dir("folders/B");
    PreferencesModel& model = Model();
    std::vector<QStringList> seen; // what the context-menu writer reads then
    model.onPathnamesStored = [&] { seen.push_back(StoredList(keys::PathnamesAliases)); };
    model.AddFolders({a});
    model.DropFolders(FolderTable::Destinations, {b});
    model.ReorderPathnames({0}, 2);
    model.DeleteRows(FolderTable::Destinations, {0});
    EXPECT_EQ(seen, (std::vector<QStringList>{{a}, {b, a}, {a, b}, {b}}));

    // Dragged rows from both sides of the drop keep their gaps; rows that
    // do not fit the list are ignored. {dragged, drop row, result, selection}
    const QStringList f{"F1", "F2", "F3", "F4", "F5"};
    const std::vector<std::tuple<QList<int>, int, QStringList, QList<int>>> cases{
        {{0, 1}, 4, {"F3", "F4", "F1", "F2", "F5"}, {2, 3}},
        {{3, 4}, 0, {"F4", "F5", "F1", "F2", "F3"}, {0, 1}},
        {{4, 0}, 1, f, {0, 4}},
        {{2, 2, 9}, 0, {"F3", "F1", "F2", "F4", "F5"}, {0}},
        {{7, -1}, 0, f, {}},
        {{0}, 50, f, {0}},
    };
    for (const auto& [dragged, dropRow, result, selection] : cases) {
        QStringList list = f;
        EXPECT_EQ(MoveRowsTo(list, dragged, dropRow), selection) << dropRow;
        EXPECT_EQ(list, result) << dropRow;
    }
    QStringList equal{"x", "y", "x", "z"};
    EXPECT_EQ(MoveRowsTo(equal, {2}, 0), QList<int>({0})) << "the first row holding the path";
}

TEST_F(PreferencesModelTest, SaveRefreshAndOlderListsKeepEveryRow) {
    const QString a = Dir("folders/A");
    const QString b = Dir("folders/B");
    const QString gone = Dir("folders/Gone");
    m_store->SetAppValue(keys::Pathnames, QVariantList{gone, a}); // older path-only lists
    m_store->SetAppValue(keys::ExtensionPaths, QVariantList{b, a});
    m_store->SetAppValue(keys::Extensions, QVariantList{QStringLiteral("pdf")});
    m_store->Synchronize();
    m_store = FreshStore();
    PreferencesModel& model = Model();
    EXPECT_EQ(model.Pathnames(), QStringList({gone, a}));
    EXPECT_EQ(model.Extensions(), QStringList({"pdf", "???"})) << "paired without losing either";
    QJsonObject stored = Stored();
    EXPECT_FALSE(stored.contains("Pathnames") || stored.contains("ExtensionPaths"));
    EXPECT_TRUE(stored.value("PathnamesAliases").toArray()[0].toObject().contains("$data"));

    ASSERT_EQ(rmdir(gone.toUtf8().constData()), 0);
    model.UpdatePathnamesTable();
    EXPECT_EQ(model.Pathnames(), QStringList({kFolderNotFound, a}));
    model.RevealRow(FolderTable::Destinations, 0); // not found: nothing
    model.RevealRow(FolderTable::Destinations, 1);
    model.RevealRow(FolderTable::Destinations, -1);
    model.RevealRow(FolderTable::Extensions, 9);
    EXPECT_EQ(m_platform.revealed, std::vector<std::string>{a.toStdString()});
    model.SetOption(keys::On, false);
    model.SetSelectedTab(3);
    model.SavePreferences();
    stored = Stored();
    EXPECT_EQ(stored.value("On"), QJsonValue(false));
    EXPECT_EQ(stored.value("SelectedTabViewItem"), QJsonValue(QJsonObject{{"$int", 3}}));
    EXPECT_EQ(StoredList(keys::PathnamesAliases), QStringList({kFolderNotFound, a}))
        << "a row not found keeps its index";

    // Other writers' changes are seen at the next refresh; an Extensions of
    // another type leaves the extensions as they were.
    StoreDestinationPathnames(*FreshStore(), {a, b});
    model.UpdatePathnamesTable();
    EXPECT_EQ(model.Pathnames(), QStringList({a, b}));
    m_store->SetAppValue(keys::Extensions, QVariantList{"pdf", "jpg", "txt"});
    m_store->Synchronize();
    model.UpdateExtensionsTable();
    EXPECT_EQ(model.ExtensionPaths(), QStringList({b, a, kFolderNotFound}));
    m_store->SetAppValue(keys::Extensions, QVariantMap{{"x", 1}});
    m_store->Synchronize();
    model.UpdateExtensionsTable();
    EXPECT_EQ(model.Extensions(), QStringList({"pdf", "jpg", "txt"}));
    // Rows past the list are ignored (typing and Delete: the window test).
    model.SetExtension(7, "ignored");
    model.DeleteRows(FolderTable::Extensions, {});
    model.DeleteRows(FolderTable::Extensions, {9});
    EXPECT_EQ(StoredStrings("Extensions"), QStringList({"pdf", "jpg", "txt"}));
}

} // namespace
} // namespace ferrolet::test
