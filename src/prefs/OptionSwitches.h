#pragma once

#include "settings/SettingsStore.h"

#include <QString>

#include <map>
#include <span>

namespace ferrolet {

// Which tab of the preferences window shows an option's checkbox.
enum class OptionGroup { General, MenuContents, Options };

// One checkbox of the preferences window, bound to its boolean key.
struct OptionSwitch {
    const QString& key;
    const char* label;
    OptionGroup group;
};

// Every checkbox, in the order the window lays them out.
std::span<const OptionSwitch> AllOptionSwitches();

// The state a checkbox shows for what is stored under its key: a stored
// boolean as it is; anything else (absent, a number, a string) gives checked,
// except "ReplaceFilesBySameName", which gives unchecked.
bool LoadOptionState(SettingsStore& store, const QString& key);

// Every checkbox's state, keyed by its settings key. Reads only.
std::map<QString, bool> LoadOptionStates(SettingsStore& store);

} // namespace ferrolet
