#pragma once

#include "ContextMenuModel.h"
#include "ContextMenuTarget.h"
#include "settings/SettingsStore.h"

#include <memory>
#include <string>
#include <vector>

namespace ferrolet {

// Where each file manager reads the user's own context-menu entries.
struct ContextMenuPlaces {
    std::string dolphin;  // $XDG_DATA_HOME/kio/servicemenus
    std::string nemo;     // $XDG_DATA_HOME/nemo/actions
    std::string nautilus; // $XDG_DATA_HOME/nautilus/scripts
    std::string caja;     // $XDG_CONFIG_HOME/caja/scripts
    std::string thunar;   // $XDG_CONFIG_HOME/Thunar
};

// The places in the user's home ($XDG_DATA_HOME defaults to ~/.local/share,
// $XDG_CONFIG_HOME to ~/.config).
ContextMenuPlaces HomeContextMenuPlaces();

// The five file managers' targets.
std::vector<std::unique_ptr<ContextMenuTarget>> ContextMenuTargets(const ContextMenuPlaces& places);

// This program's own absolute path (what the entries run); empty when it
// cannot be read.
std::string OwnProgramPath();

// The model for the destination list stored in settings.
ContextMenuModel ContextMenuModelFromSettings(SettingsStore& settings, std::string program);

// Which file managers a write reaches: all of them (the user asked to
// install), or only those whose entries are there already (the list
// changed), so nothing appears in a home that never asked for it.
enum class MenuScope { Everywhere, WhereInstalled };

// Writes the model into the file managers of scope. Each one that fails is
// logged in plain words and the others are still served. The names of those
// written go to *written, of those that failed to *failed.
void WriteContextMenus(const ContextMenuModel& model, const ContextMenuPlaces& places,
                       MenuScope scope, QStringList* written = nullptr,
                       QStringList* failed = nullptr);

// Takes Ferrolet's entries out of every file manager; failures logged.
void RemoveContextMenus(const ContextMenuPlaces& places, QStringList* failed = nullptr);

// After the destination list changed (or at start): writes the entries anew
// where they are installed, from the stored list, run by this program.
void RefreshInstalledContextMenus(SettingsStore& settings);

// `ferrolet --install-menus` (install true) or `--remove-menus`: says what
// was done on standard output; the exit status (1 when a file manager
// could not be served).
int RunContextMenusCommand(bool install);

} // namespace ferrolet
