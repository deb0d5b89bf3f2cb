#pragma once

#include "prefs/FolderDialog.h"
#include "prefs/PreferencesModel.h"

#include <QWidget>

#include <map>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;

namespace ferrolet {

class FolderTableModel;
class FolderTableView;

// The preferences window, "Ferrolet Preferences": the destination folders,
// the extension folders, what the menus contain, the options with the
// completion sound, and an About tab. Every change is stored at once.
class PreferencesWindow : public QWidget {
    Q_OBJECT
public:
    // Loads the options and both lists from the store. soundFolder empty
    // means the sound theme's folder.
    PreferencesWindow(SettingsStore& store, Platform& platform, QWidget* parent = nullptr,
                      const QString& soundFolder = QString());
    ~PreferencesWindow() override;

    // Replaces the folder dialog (tests answer it).
    void SetFolderChooser(FolderChooser chooser) { m_chooseFolders = std::move(chooser); }

    PreferencesModel& Model() { return m_model; }

    // The destination list was changed elsewhere (Add Folder, Remove Folder).
    void updatePathnamesTable();
    void updateExtensionsTable();
    // Stores everything the window holds; runs at every window close.
    void savePreferences();
    void openHelp();

    void addButtonClicked();
    void extensionsAddButtonClicked();
    void deleteButtonClicked();
    void extensionsDeleteButtonClicked();

private:
    QWidget* BuildDestinationsTab();
    QWidget* BuildExtensionsTab();
    QWidget* BuildOptionsTab(bool menuContents);
    QWidget* BuildAboutTab();
    QCheckBox* MakeOptionBox(const QString& key, const char* label, QWidget* parent);
    void ConnectTable(FolderTableView* view, FolderTableModel* model, QPushButton* deleteButton);
    void SetupSoundMenu();
    void SoundSelected(int index);
    QStringList ChooseFolders();
    void showEvent(QShowEvent* event) override;

    PreferencesModel m_model;
    FolderChooser m_chooseFolders;

    QTabWidget* m_tabView = nullptr;
    QLabel* m_versionInfoField = nullptr;
    FolderTableModel* m_pathnamesModel = nullptr;
    FolderTableView* m_pathnamesTable = nullptr;
    QPushButton* m_addButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
    FolderTableModel* m_extensionsModel = nullptr;
    FolderTableView* m_extensionsTable = nullptr;
    QPushButton* m_extensionsAddButton = nullptr;
    QPushButton* m_extensionsDeleteButton = nullptr;
    QComboBox* m_soundMenu = nullptr;
    std::map<QString, QCheckBox*> m_optionBoxes;
    QCheckBox* m_startAtLogin = nullptr;
};

// Saves the window's preferences whenever any window of the application
// closes (the preferences window, the Move Service window or any other).
// The filter lives as long as the pane.
void SavePreferencesOnEveryClose(PreferencesWindow& pane);

} // namespace ferrolet
