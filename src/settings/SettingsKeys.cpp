#include "SettingsKeys.h"

#include <array>

namespace ferrolet {

namespace {
const std::array<SettingDefinition, 26>& Table() {
    static const std::array<SettingDefinition, 26> table{{
        {"On", SettingType::Boolean, true, "state of the window's on/off checkbox"},
        {"SelectMovedItem", SettingType::Boolean, true, "reveal the resulting item"},
        {"PromptForWrap", SettingType::Boolean, true, "Wrap Items asks for the wrapper folder"},
        {"WrapCopies", SettingType::Boolean, true, "Wrap Items copies (on) or moves (off)"},
        {"OpenMoveServiceWindow", SettingType::Boolean, true,
         "show the Move Service window at launch"},
        {"PreserveComments", SettingType::Boolean, true,
         "carry comments to moved and copied items"},
        {"ReplaceFilesBySameName", SettingType::Boolean, false, "replace a same-named item"},
        {"NameMenuItemAfterFolder", SettingType::Boolean, true, "folder items show display names"},
        {"IncludeMoveTo", SettingType::Boolean, true, "the Move To submenu is built"},
        {"IncludeCopyTo", SettingType::Boolean, true, "the Copy To submenu is built"},
        {"IncludeArchiveTo", SettingType::Boolean, true, "the Archive To submenu is built"},
        {"IncludeAliasTo", SettingType::Boolean, true, "the Alias To submenu is built"},
        {"IncludeHardLinkTo", SettingType::Boolean, true, "the Hard Link To submenu is built"},
        {"IncludeOpenFolder", SettingType::Boolean, true, "the Open Folder submenu is built"},
        {"IncludePreferences", SettingType::Boolean, true, "stored and shown only"},
        {"IncludeWrapItems", SettingType::Boolean, true, "the Wrap Items item is built"},
        {"IncludeCutAndPasteItems", SettingType::Boolean, true,
         "Cut Items / Paste Items are built"},
        {"MakeAsSubmenu", SettingType::Boolean, true, "stored and shown only"},
        {"LastSelectedSound", SettingType::String, QVariant(), "completion sound, or None"},
        {"SelectedTabViewItem", SettingType::Integer, QVariant(), "preferences tab last shown"},
        {"Extensions", SettingType::StringArray, QVariant(QVariantList()),
         "extensions, table order"},
        {"PathnamesAliases", SettingType::DataArray, QVariant(QVariantList()),
         "destination folders"},
        {"ExtensionPathsAliases", SettingType::DataArray, QVariant(QVariantList()),
         "extension folders"},
        {"Pathnames", SettingType::StringArray, QVariant(), "older path-only destination list"},
        {"ExtensionPaths", SettingType::StringArray, QVariant(),
         "older path-only extension folders"},
        {"LastChosenFolder", SettingType::String, QVariant(), "where the next folder dialog opens"},
    }};
    return table;
}
} // namespace

std::span<const SettingDefinition> AllSettings() {
    return Table();
}

const SettingDefinition* FindSetting(const QString& key) {
    for (const SettingDefinition& setting : Table()) {
        if (key == QLatin1String(setting.key)) {
            return &setting;
        }
    }
    return nullptr;
}

} // namespace ferrolet
