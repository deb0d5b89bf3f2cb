#pragma once

#include "platform/Platform.h"
#include "settings/FolderLists.h"
#include "settings/SettingsStore.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>

namespace ferrolet {

// The two folder tables of the preferences window.
enum class FolderTable { Destinations, Extensions };

// The placeholder extension of a row just added to the extension list.
inline const QString kNewExtension = QStringLiteral("???");

// The data behind the preferences window, with no widgets: the option
// states, the two folder lists in path form, the sound choice, and every
// change the window makes, each stored at once.
//
// Invariant: Extensions() and ExtensionPaths() always have the same length;
// row i of the extension table is element i of both.
class PreferencesModel {
public:
    PreferencesModel(SettingsStore& store, Platform& platform,
                     QString soundFolder = QString() /* the sound theme's */);
    ~PreferencesModel();

    // Loads the option states and both lists. Writes nothing unless older
    // path-only lists are still stored (they are moved into the record form).
    void Load();

    // The checkbox state shown for a key of AllOptionSwitches().
    bool OptionState(const QString& key) const;
    // A checkbox was clicked: stores its key at once.
    void SetOption(const QString& key, bool checked);

    const QStringList& Pathnames() const { return m_pathnames; }
    const QStringList& Extensions() const { return m_extensions; }
    const QStringList& ExtensionPaths() const { return m_extensionPaths; }
    // The path column of a table.
    const QStringList& Paths(FolderTable table) const;

    // Refill a list from the store (after another writer changed it, e.g.
    // the Add Folder and Remove Folder commands).
    void UpdatePathnamesTable();
    void UpdateExtensionsTable();

    // Stores "On", both lists, "Extensions" and "SelectedTabViewItem", then
    // synchronises once. Runs whenever a window of the application closes.
    void SavePreferences();
    void SetSelectedTab(int index) { m_selectedTab = index; }
    int SelectedTab() const { return m_selectedTab; }

    // "None" first, then the sound theme's sounds.
    const QStringList& SoundTitles() const { return m_soundTitles; }
    // The stored sound when it is one of SoundTitles(), else empty.
    QString StoredSoundTitle() const;
    // Stores the title under "LastSelectedSound" and plays it ("None" plays
    // nothing); an empty title only synchronises.
    void SelectSound(const QString& title);

    // Puts folders at the top of a list, sorted (the last in collation order
    // ends up first); extension rows get the placeholder extension.
    void AddFolders(QStringList paths);
    void AddExtensionsFolders(QStringList paths);

    // Removes the given rows (both arrays of the extension list at the same
    // indexes). An empty selection removes nothing.
    void DeleteRows(FolderTable table, const QList<int>& rows);

    // Moves dragged rows of the destination list to the drop row; returns
    // the rows to select afterwards.
    QList<int> ReorderPathnames(const QList<int>& dragged, int dropRow);

    // Folders dropped from a file manager, in drop order: each plain folder
    // goes to the top, so the last dropped ends up first. Anything else is
    // skipped. True when at least one folder was added. Stores both lists.
    bool DropFolders(FolderTable table, const QStringList& paths);

    // An edited extension, stored lower-cased and otherwise as typed.
    void SetExtension(int row, const QString& text);

    // Shows the row's folder in the file manager; a missing folder (or a row
    // out of range) shows nothing.
    void RevealRow(FolderTable table, int row);

    // The project's page in the web browser.
    void OpenHelp();

    // Called after the destination list was stored (the window layer keeps
    // the file managers' context menus in step with it).
    std::function<void()> onPathnamesStored;

private:
    void StoreExtensions();
    void StoreBothLists();
    void PathnamesStored();
    QStringList& MutablePaths(FolderTable table);

    SettingsStore& m_store;
    Platform& m_platform;
    QString m_soundFolder;

    std::map<QString, bool> m_options;
    QStringList m_pathnames;
    std::unique_ptr<FolderList> m_folderItems;
    QStringList m_extensions;
    QStringList m_extensionPaths;
    std::unique_ptr<FolderList> m_extensionFolderItems;
    QStringList m_soundTitles;
    int m_selectedTab = 0;
};

// The project's web page, opened by the help button.
inline const QString kProjectPage = QStringLiteral("https://ferrolet.quorvane.com");

} // namespace ferrolet
