// Loading the window's state, the checkboxes, the sound menu and the save at
// every window close, against a real settings file read back by plistlib.
#include "PrefsFixture.h"

#include "prefs/OptionSwitches.h"
#include "prefs/ThemeSounds.h"
#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"
#include "util/AppPaths.h"

#include <gtest/gtest.h>

#include <set>

namespace ferrolet::test {
namespace {

class PreferencesModelTest : public PrefsFixture {};

TEST_F(PreferencesModelTest, FirstLaunchShowsDefaultsAndWritesNothing) {
    WriteFile("sounds/bell.oga");
    PreferencesModel& model = Model();

    for (const OptionSwitch& option : AllOptionSwitches()) {
        EXPECT_EQ(model.OptionState(option.key), option.key != keys::ReplaceFilesBySameName)
            << option.key.toStdString();
    }
    EXPECT_TRUE(model.Pathnames().isEmpty());
    EXPECT_TRUE(model.Extensions().isEmpty());
    EXPECT_TRUE(model.ExtensionPaths().isEmpty());
    EXPECT_EQ(model.SoundTitles(), QStringList({"None", "bell"}));
    EXPECT_TRUE(model.StoredSoundTitle().isEmpty());
    EXPECT_FALSE(Exists(m_store->FilePath())) << "loading must not create the settings file";

    // Using one control writes exactly that control's key.
    model.SetOption(keys::IncludeCopyTo, false);
    const QJsonObject stored = Stored();
    EXPECT_EQ(stored.keys(), QStringList({"IncludeCopyTo"}));
    EXPECT_EQ(stored.value("IncludeCopyTo"), QJsonValue(false));
}

TEST_F(PreferencesModelTest, OnlyStoredBooleansCountAsBooleans) {
    m_store->SetAppValue(keys::IncludeCopyTo, 0);                      // a number
    m_store->SetAppValue(keys::IncludeMoveTo, false);                  // a boolean
    m_store->SetAppValue(keys::SelectMovedItem, QStringLiteral("NO")); // a string
    m_store->SetAppValue(keys::ReplaceFilesBySameName, 1);             // a number
    m_store->SetAppValue(keys::WrapCopies, false);
    m_store->SetAppValue(keys::On, false);
    ASSERT_TRUE(m_store->Synchronize());
    m_store = FreshStore();

    PreferencesModel& model = Model();
    EXPECT_TRUE(model.OptionState(keys::IncludeCopyTo));
    EXPECT_FALSE(model.OptionState(keys::IncludeMoveTo));
    EXPECT_TRUE(model.OptionState(keys::SelectMovedItem));
    EXPECT_FALSE(model.OptionState(keys::ReplaceFilesBySameName));
    EXPECT_FALSE(model.OptionState(keys::WrapCopies));
    EXPECT_FALSE(model.OptionState(keys::On));

    // The wrongly typed value stays as it is until its box is clicked.
    EXPECT_EQ(Stored().value("IncludeCopyTo"), QJsonValue(QJsonObject{{"$int", 0}}));
    model.SetOption(keys::IncludeCopyTo, true);
    EXPECT_EQ(Stored().value("IncludeCopyTo"), QJsonValue(true));
    EXPECT_EQ(Stored().value("ReplaceFilesBySameName"), QJsonValue(QJsonObject{{"$int", 1}}));
}

TEST_F(PreferencesModelTest, EveryCheckboxWritesItsOwnKey) {
    PreferencesModel& model = Model();
    std::set<QString> seen;
    for (const OptionSwitch& option : AllOptionSwitches()) {
        EXPECT_TRUE(seen.insert(option.key).second) << "two boxes for " << option.key.toStdString();
        const bool flipped = !model.OptionState(option.key);
        model.SetOption(option.key, flipped);
        EXPECT_EQ(ReadBack(option.key), QVariant(flipped)) << option.key.toStdString();
    }
    // Every boolean key of the store has a box, and nothing else does.
    std::set<QString> booleans;
    for (const SettingDefinition& setting : AllSettings()) {
        if (setting.type == SettingType::Boolean) {
            booleans.insert(QString::fromLatin1(setting.key));
        }
    }
    EXPECT_EQ(seen, booleans);
}

TEST_F(PreferencesModelTest, SoundMenuListsTheFolderAndStoresTheChoice) {
    WriteFile("sounds/complete.oga");
    WriteFile("sounds/bell.oga");
    WriteFile("sounds/.hidden-thing.wav");
    WriteFile("sounds/no-extension");
    m_store->SetAppValue(keys::LastSelectedSound, QStringLiteral("Glass"));
    m_store->Synchronize();
    PreferencesModel& model = Model();
    EXPECT_EQ(model.SoundTitles(),
              QStringList({"None", ".hidden-thing", "bell", "complete", "no-extension"}));
    // A stored title that names no entry selects nothing and is kept.
    EXPECT_TRUE(model.StoredSoundTitle().isEmpty());
    EXPECT_EQ(Stored().value("LastSelectedSound"), QJsonValue("Glass"));

    model.SelectSound(QStringLiteral("None"));
    EXPECT_TRUE(m_platform.sounds.isEmpty()) << "None plays nothing";
    EXPECT_EQ(Stored().value("LastSelectedSound"), QJsonValue("None"));
    EXPECT_EQ(model.StoredSoundTitle(), QStringLiteral("None"));

    model.SelectSound(QStringLiteral("complete"));
    EXPECT_EQ(m_platform.sounds, QStringList({"complete"}));
    EXPECT_EQ(Stored().value("LastSelectedSound"), QJsonValue("complete"));

    // A number stored under the key selects nothing either.
    m_store->SetAppValue(keys::LastSelectedSound, 3);
    EXPECT_TRUE(model.StoredSoundTitle().isEmpty());
}

TEST_F(PreferencesModelTest, SoundThemeFolderAndMissingFolder) {
    const QStringList missing = ListSoundTitles(QString::fromStdString(Path("no-such-folder")));
    EXPECT_EQ(missing, QStringList({"None"}));
    const QStringList theme = ListSoundTitles(QString::fromUtf8(kSoundThemeFolder));
    ASSERT_FALSE(theme.isEmpty());
    EXPECT_EQ(theme.front(), "None");
    if (theme.size() > 1) { // the freedesktop theme is installed
        EXPECT_TRUE(theme.contains("complete"));
        EXPECT_FALSE(theme.contains("complete.oga"));
    }
}

TEST_F(PreferencesModelTest, SaveWritesEveryListAndTheTab) {
    const QString a = Dir("folders/A");
    const QString b = Dir("folders/B");
    PreferencesModel& model = Model();
    model.SetOption(keys::On, false);
    model.AddFolders({a});
    model.AddExtensionsFolders({b});
    model.SetSelectedTab(3);
    model.SavePreferences();

    const QJsonObject stored = Stored();
    EXPECT_EQ(stored.value("On"), QJsonValue(false));
    EXPECT_EQ(stored.value("SelectedTabViewItem"), QJsonValue(QJsonObject{{"$int", 3}}));
    EXPECT_EQ(Strings(stored.value("Extensions")), QStringList({"???"}));
    ASSERT_EQ(stored.value("PathnamesAliases").toArray().size(), 1);
    ASSERT_EQ(stored.value("ExtensionPathsAliases").toArray().size(), 1);
    EXPECT_TRUE(stored.value("PathnamesAliases").toArray()[0].toObject().contains("$data"));

    auto other = FreshStore();
    EXPECT_EQ(FolderPathnames(*other, keys::PathnamesAliases), QStringList({a}));
    EXPECT_EQ(FolderPathnames(*other, keys::ExtensionPathsAliases), QStringList({b}));
}

TEST_F(PreferencesModelTest, EveryDestinationListChangeIsAnnouncedOnceStored) {
    const QString a = Dir("folders/A");
    const QString b = Dir("folders/B");
    PreferencesModel& model = Model();
    // What a listener (the context-menu writer) reads from the store then.
    std::vector<QStringList> seen;
    model.onPathnamesStored = [&] {
        seen.push_back(FolderPathnames(*FreshStore(), keys::PathnamesAliases));
    };
    model.AddFolders({a});
    model.DropFolders(FolderTable::Destinations, {b});
    model.ReorderPathnames({0}, 2);
    model.DeleteRows(FolderTable::Destinations, {0});
    const std::vector<QStringList> expected = {{a}, {b, a}, {a, b}, {b}};
    EXPECT_EQ(seen, expected);
}

TEST_F(PreferencesModelTest, SaveKeepsRowsOfFoldersNotFound) {
    const QString a = Dir("folders/A");
    const QString gone = Dir("folders/Gone");
    PreferencesModel& model = Model();
    model.AddFolders({gone, a});
    ASSERT_EQ(model.Pathnames(), QStringList({gone, a}));
    ASSERT_EQ(rmdir(gone.toUtf8().constData()), 0);

    model.UpdatePathnamesTable();
    EXPECT_EQ(model.Pathnames(), QStringList({kFolderNotFound, a}));
    model.SavePreferences();
    EXPECT_EQ(Stored().value("PathnamesAliases").toArray().size(), 2)
        << "every row keeps its index";
    EXPECT_EQ(FolderPathnames(*FreshStore(), keys::PathnamesAliases),
              QStringList({kFolderNotFound, a}));
}

TEST_F(PreferencesModelTest, RefreshSeesChangesOfOtherWriters) {
    const QString a = Dir("folders/A");
    const QString b = Dir("folders/B");
    PreferencesModel& model = Model();
    model.AddFolders({a});

    // The Add Folder command writes through its own store, as another
    // process would.
    auto command = FreshStore();
    StoreDestinationPathnames(*command, {a, b});
    model.UpdatePathnamesTable();
    EXPECT_EQ(model.Pathnames(), QStringList({a, b}));
}

TEST_F(PreferencesModelTest, OlderPathListsStillPresentAreMovedOnLoad) {
    const QString a = Dir("folders/A");
    const QString b = Dir("folders/B");
    const QString c = Dir("folders/C");
    m_store->SetAppValue(keys::Pathnames, QVariantList{a, b});
    m_store->SetAppValue(keys::ExtensionPaths, QVariantList{c});
    m_store->SetAppValue(keys::Extensions, QVariantList{QStringLiteral("pdf")});
    m_store->Synchronize();
    m_store = FreshStore();

    PreferencesModel& model = Model();
    EXPECT_EQ(model.Pathnames(), QStringList({a, b}));
    EXPECT_EQ(model.ExtensionPaths(), QStringList({c}));
    EXPECT_EQ(model.Extensions(), QStringList({"pdf"}));
    const QJsonObject stored = Stored();
    EXPECT_FALSE(stored.contains("Pathnames"));
    EXPECT_FALSE(stored.contains("ExtensionPaths"));
    EXPECT_EQ(stored.value("PathnamesAliases").toArray().size(), 2);
}

TEST_F(PreferencesModelTest, UnevenStoredListsArePairedWithoutLosingEither) {
    const QString a = Dir("folders/A");
    const QString b = Dir("folders/B");
    StoreDestinationPathnames(*m_store, {}); // a store file exists
    {
        FolderList items(*m_store, keys::ExtensionPathsAliases);
        items.SetPathnames({a, b});
    }
    m_store->SetAppValue(keys::Extensions, QVariantList{QStringLiteral("pdf")});
    m_store->Synchronize();
    PreferencesModel& model = Model();
    EXPECT_EQ(model.ExtensionPaths(), QStringList({a, b}));
    EXPECT_EQ(model.Extensions(), QStringList({"pdf", "???"}));

    m_store->SetAppValue(keys::Extensions, QVariantList{"pdf", "jpg", "txt"});
    m_store->Synchronize();
    model.UpdateExtensionsTable();
    EXPECT_EQ(model.Extensions(), QStringList({"pdf", "jpg", "txt"}));
    EXPECT_EQ(model.ExtensionPaths(), QStringList({a, b, kFolderNotFound}));

    // A stored Extensions of another type leaves the extensions as they were.
    m_store->SetAppValue(keys::Extensions, QVariantMap{{"x", 1}});
    m_store->Synchronize();
    model.UpdateExtensionsTable();
    EXPECT_EQ(model.Extensions(), QStringList({"pdf", "jpg", "txt"}));
}

TEST_F(PreferencesModelTest, HelpAndReveal) {
    const QString a = Dir("folders/A");
    PreferencesModel& model = Model();
    model.OpenHelp();
    EXPECT_EQ(m_platform.openedUrls, QStringList({"https://ferrolet.quorvane.com"}));

    model.AddFolders({a});
    model.RevealRow(FolderTable::Destinations, 0);
    model.RevealRow(FolderTable::Destinations, 1);
    model.RevealRow(FolderTable::Destinations, -1);
    model.RevealRow(FolderTable::Extensions, 0);
    ASSERT_EQ(m_platform.revealed.size(), 1u);
    EXPECT_EQ(m_platform.revealed[0], a.toStdString());

    ASSERT_EQ(rmdir(a.toUtf8().constData()), 0);
    model.UpdatePathnamesTable();
    ASSERT_EQ(model.Pathnames(), QStringList({kFolderNotFound}));
    model.RevealRow(FolderTable::Destinations, 0);
    EXPECT_EQ(m_platform.revealed.size(), 1u) << "a folder not found reveals nothing";
}

} // namespace
} // namespace ferrolet::test
