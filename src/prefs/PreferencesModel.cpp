#include "prefs/PreferencesModel.h"

#include "prefs/DroppedFolders.h"
#include "prefs/FolderCollation.h"
#include "prefs/OptionSwitches.h"
#include "prefs/RowReorder.h"
#include "prefs/ThemeSounds.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"
#include "util/AppPaths.h"

#include <algorithm>

namespace ferrolet {

PreferencesModel::PreferencesModel(SettingsStore& store, Platform& platform, QString soundFolder)
    : m_store(store), m_platform(platform),
      m_soundFolder(soundFolder.isEmpty() ? QString::fromUtf8(kSoundThemeFolder)
                                          : std::move(soundFolder)) {}

PreferencesModel::~PreferencesModel() = default;

void PreferencesModel::Load() {
    m_options = LoadOptionStates(m_store);

    // The program moves older path-only lists at start; should one still be
    // here (another process wrote it since), move it now rather than show a
    // list that misses those folders. Without older keys nothing is written.
    m_folderItems = std::make_unique<FolderList>(m_store, keys::PathnamesAliases, 0);
    if (m_store.Value(keys::Pathnames).isValid()) {
        MigrateOlderPathList(m_store, *m_folderItems, keys::Pathnames);
    }
    UpdatePathnamesTable();

    m_extensionFolderItems = std::make_unique<FolderList>(m_store, keys::ExtensionPathsAliases, 0);
    if (m_store.Value(keys::ExtensionPaths).isValid()) {
        MigrateOlderPathList(m_store, *m_extensionFolderItems, keys::ExtensionPaths);
    }
    UpdateExtensionsTable();

    m_soundTitles = ListSoundTitles(m_soundFolder);
}

bool PreferencesModel::OptionState(const QString& key) const {
    const auto it = m_options.find(key);
    return it != m_options.end() && it->second;
}

void PreferencesModel::SetOption(const QString& key, bool checked) {
    m_options[key] = checked;
    WriteBoolPref(m_store, key, checked ? 1 : 0);
}

const QStringList& PreferencesModel::Paths(FolderTable table) const {
    return table == FolderTable::Destinations ? m_pathnames : m_extensionPaths;
}

QStringList& PreferencesModel::MutablePaths(FolderTable table) {
    return table == FolderTable::Destinations ? m_pathnames : m_extensionPaths;
}

void PreferencesModel::UpdatePathnamesTable() {
    if (!m_folderItems) {
        return;
    }
    m_store.Synchronize();
    m_pathnames = m_folderItems->Pathnames();
}

void PreferencesModel::UpdateExtensionsTable() {
    if (!m_extensionFolderItems) {
        return;
    }
    m_store.Synchronize();
    if (m_store.Value(keys::Extensions).typeId() == QMetaType::QVariantList) {
        m_extensions = ReadExtensions(m_store);
    }
    m_extensionPaths = m_extensionFolderItems->Pathnames();
    // A store written by hand, or older folders moved in without their
    // extensions, can leave the two arrays of unequal length. Pad the shorter
    // one so every folder and every extension keeps a row the user can see,
    // edit or delete; nothing is dropped.
    while (m_extensions.size() < m_extensionPaths.size()) {
        m_extensions.append(kNewExtension);
    }
    while (m_extensionPaths.size() < m_extensions.size()) {
        m_extensionPaths.append(kFolderNotFound);
    }
}

void PreferencesModel::StoreExtensions() {
    QVariantList list;
    list.reserve(m_extensions.size());
    for (const QString& extension : m_extensions) {
        list.append(extension);
    }
    m_store.SetAppValue(keys::Extensions, list);
}

void PreferencesModel::PathnamesStored() {
    if (onPathnamesStored) {
        onPathnamesStored();
    }
}

void PreferencesModel::StoreBothLists() {
    m_folderItems->SetPathnames(m_pathnames);
    m_extensionFolderItems->SetPathnames(m_extensionPaths);
    StoreExtensions();
    m_store.Synchronize();
    PathnamesStored();
}

void PreferencesModel::SavePreferences() {
    if (!m_folderItems || !m_extensionFolderItems) {
        return; // never loaded: there is nothing of ours to save
    }
    m_store.SetAppValue(keys::On, OptionState(keys::On));
    m_folderItems->SetPathnames(m_pathnames);
    m_extensionFolderItems->SetPathnames(m_extensionPaths);
    StoreExtensions();
    m_store.SetAppValue(keys::SelectedTabViewItem, qlonglong(m_selectedTab));
    m_store.Synchronize();
    PathnamesStored();
}

QString PreferencesModel::StoredSoundTitle() const {
    const QVariant stored = m_store.Value(keys::LastSelectedSound);
    if (stored.typeId() != QMetaType::QString || !m_soundTitles.contains(stored.toString())) {
        return {};
    }
    return stored.toString();
}

void PreferencesModel::SelectSound(const QString& title) {
    if (!title.isEmpty()) {
        m_store.SetAppValue(keys::LastSelectedSound, title);
        if (title != kNoSoundTitle) {
            m_platform.PlaySound(title);
        }
    }
    m_store.Synchronize();
}

void PreferencesModel::AddFolders(QStringList paths) {
    if (paths.isEmpty() || !m_folderItems) {
        return;
    }
    SortFolderPaths(paths);
    for (const QString& path : paths) {
        m_pathnames.insert(0, path);
    }
    m_folderItems->SetPathnames(m_pathnames);
    m_store.Synchronize();
    PathnamesStored();
}

void PreferencesModel::AddExtensionsFolders(QStringList paths) {
    if (paths.isEmpty() || !m_extensionFolderItems) {
        return;
    }
    SortFolderPaths(paths);
    for (const QString& path : paths) {
        m_extensionPaths.insert(0, path);
        m_extensions.insert(0, kNewExtension);
    }
    m_extensionFolderItems->SetPathnames(m_extensionPaths);
    StoreExtensions();
    m_store.Synchronize();
}

void PreferencesModel::DeleteRows(FolderTable table, const QList<int>& rows) {
    FolderList* items =
        table == FolderTable::Destinations ? m_folderItems.get() : m_extensionFolderItems.get();
    if (rows.isEmpty() || !items) {
        return;
    }
    QList<int> sorted = rows;
    std::sort(sorted.begin(), sorted.end(), std::greater<>());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());

    QStringList& paths = MutablePaths(table);
    for (const int row : sorted) {
        if (row < 0 || row >= paths.size()) {
            continue;
        }
        paths.removeAt(row);
        if (table == FolderTable::Extensions) {
            m_extensions.removeAt(row);
        }
    }
    items->SetPathnames(paths);
    if (table == FolderTable::Extensions) {
        StoreExtensions();
    }
    m_store.Synchronize();
    if (table == FolderTable::Destinations) {
        PathnamesStored();
    }
}

QList<int> PreferencesModel::ReorderPathnames(const QList<int>& dragged, int dropRow) {
    if (!m_folderItems) {
        return {};
    }
    QList<int> selection = MoveRowsTo(m_pathnames, dragged, dropRow);
    StoreBothLists();
    return selection;
}

bool PreferencesModel::DropFolders(FolderTable table, const QStringList& paths) {
    if (!m_folderItems || !m_extensionFolderItems) {
        return false;
    }
    bool inserted = false;
    for (const QString& path : paths) {
        if (!IsDroppablePlainFolder(path)) {
            continue;
        }
        MutablePaths(table).insert(0, path);
        if (table == FolderTable::Extensions) {
            m_extensions.insert(0, kNewExtension);
        }
        inserted = true;
    }
    StoreBothLists();
    return inserted;
}

void PreferencesModel::SetExtension(int row, const QString& text) {
    if (row >= 0 && row < m_extensions.size()) {
        m_extensions[row] = text.toLower();
    }
    SavePreferences();
}

void PreferencesModel::RevealRow(FolderTable table, int row) {
    const QStringList& paths = Paths(table);
    if (row < 0 || row >= paths.size() || paths.at(row) == kFolderNotFound) {
        return;
    }
    m_platform.RevealItem(paths.at(row).toStdString());
}

void PreferencesModel::OpenHelp() {
    m_platform.OpenUrl(kProjectPage);
}

} // namespace ferrolet
