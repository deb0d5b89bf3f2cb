#include "OptionSwitches.h"

#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"

#include <array>

namespace ferrolet {

std::span<const OptionSwitch> AllOptionSwitches() {
    static const std::array<OptionSwitch, 18> table{{
        {keys::On, "Enable Ferrolet", OptionGroup::General},
        {keys::IncludeMoveTo, "Move To", OptionGroup::MenuContents},
        {keys::IncludeCopyTo, "Copy To", OptionGroup::MenuContents},
        {keys::IncludeArchiveTo, "Archive To", OptionGroup::MenuContents},
        {keys::IncludeAliasTo, "Alias To (symbolic link)", OptionGroup::MenuContents},
        {keys::IncludeHardLinkTo, "Hard Link To", OptionGroup::MenuContents},
        {keys::IncludeOpenFolder, "Open Folder", OptionGroup::MenuContents},
        {keys::IncludeWrapItems, "Wrap Items", OptionGroup::MenuContents},
        {keys::IncludeCutAndPasteItems, "Cut Items and Paste Items", OptionGroup::MenuContents},
        {keys::IncludePreferences, "Preferences...", OptionGroup::MenuContents},
        {keys::MakeAsSubmenu, "Show the commands as submenus", OptionGroup::MenuContents},
        {keys::NameMenuItemAfterFolder, "Name folder items after the folder, not its full path",
         OptionGroup::MenuContents},
        {keys::SelectMovedItem, "Select the moved item in the file manager", OptionGroup::Options},
        {keys::ReplaceFilesBySameName, "Replace an item of the same name in the destination",
         OptionGroup::Options},
        {keys::PreserveComments, "Keep the comments of moved and copied items",
         OptionGroup::Options},
        {keys::PromptForWrap, "Wrap Items asks for the folder to wrap into", OptionGroup::Options},
        {keys::WrapCopies, "Wrap Items copies the items (otherwise moves them)",
         OptionGroup::Options},
        {keys::OpenMoveServiceWindow, "Open the Move Service window at start",
         OptionGroup::Options},
    }};
    return table;
}

bool LoadOptionState(SettingsStore& store, const QString& key) {
    // ReadBoolPref already treats a value of another type like an absent one
    // and takes the default from the key table (false only for replace).
    return ReadBoolPref(store, key);
}

std::map<QString, bool> LoadOptionStates(SettingsStore& store) {
    std::map<QString, bool> states;
    for (const OptionSwitch& option : AllOptionSwitches()) {
        states[option.key] = LoadOptionState(store, option.key);
    }
    return states;
}

} // namespace ferrolet
