#pragma once

#include <QString>
#include <QVariant>

#include <span>

namespace ferrolet {

// Every key of the settings domain, with its value type and the value a
// reader gets when it is absent or of another type.
enum class SettingType { Boolean, String, Integer, StringArray, DataArray };

struct SettingDefinition {
    const char* key;
    SettingType type;
    QVariant defaultValue; // invalid where the key has no default
    const char* meaning;
};

namespace keys {
inline const QString On = QStringLiteral("On");
inline const QString SelectMovedItem = QStringLiteral("SelectMovedItem");
inline const QString PromptForWrap = QStringLiteral("PromptForWrap");
inline const QString WrapCopies = QStringLiteral("WrapCopies");
inline const QString OpenMoveServiceWindow = QStringLiteral("OpenMoveServiceWindow");
inline const QString PreserveComments = QStringLiteral("PreserveComments");
inline const QString ReplaceFilesBySameName = QStringLiteral("ReplaceFilesBySameName");
inline const QString NameMenuItemAfterFolder = QStringLiteral("NameMenuItemAfterFolder");
inline const QString IncludeMoveTo = QStringLiteral("IncludeMoveTo");
inline const QString IncludeCopyTo = QStringLiteral("IncludeCopyTo");
inline const QString IncludeArchiveTo = QStringLiteral("IncludeArchiveTo");
inline const QString IncludeAliasTo = QStringLiteral("IncludeAliasTo");
inline const QString IncludeHardLinkTo = QStringLiteral("IncludeHardLinkTo");
inline const QString IncludeOpenFolder = QStringLiteral("IncludeOpenFolder");
inline const QString IncludePreferences = QStringLiteral("IncludePreferences");
inline const QString IncludeWrapItems = QStringLiteral("IncludeWrapItems");
inline const QString IncludeCutAndPasteItems = QStringLiteral("IncludeCutAndPasteItems");
inline const QString MakeAsSubmenu = QStringLiteral("MakeAsSubmenu");
inline const QString LastSelectedSound = QStringLiteral("LastSelectedSound");
inline const QString SelectedTabViewItem = QStringLiteral("SelectedTabViewItem");
inline const QString Extensions = QStringLiteral("Extensions");
inline const QString PathnamesAliases = QStringLiteral("PathnamesAliases");
inline const QString ExtensionPathsAliases = QStringLiteral("ExtensionPathsAliases");
inline const QString Pathnames = QStringLiteral("Pathnames");
inline const QString ExtensionPaths = QStringLiteral("ExtensionPaths");
// The folder last chosen in a command's folder dialog; the next one opens
// there (or in the home folder when it is gone).
inline const QString LastChosenFolder = QStringLiteral("LastChosenFolder");
} // namespace keys

// The whole table, in the documented order.
std::span<const SettingDefinition> AllSettings();

// The definition of one key; nullptr for a key that is not ours.
const SettingDefinition* FindSetting(const QString& key);

} // namespace ferrolet
