#pragma once

#include "filemanager/Selection.h"
#include "platform/Platform.h"
#include "settings/SettingsStore.h"

#include <string>

namespace ferrolet {

// What a command asks its folder dialog for; the dialog says it with its
// verb, so the user sees what the chosen folder is for.
enum class DialogPurpose { Move, Copy, Archive, Alias, HardLink };

// The dialog of a destination command over the selection: "Move 3 Items To",
// "Copy “Report.pdf” To", "Make Aliases of 2 Items In" …, opening where the
// user last chose a folder.
FolderDialogRequest DestinationDialogRequest(DialogPurpose purpose,
                                             const SelectionSnapshot& selection,
                                             SettingsStore& settings);

// Wrap Items' dialog: "Choose the Wrapper Folder", opening where the user
// last chose a folder.
FolderDialogRequest WrapperDialogRequest(SettingsStore& settings);

// The folder last chosen in a folder dialog when it still is a folder;
// empty (the home folder) otherwise.
std::string DialogStartFolder(SettingsStore& settings);

// Remembers the chosen folder for the next dialog.
void RememberChosenFolder(SettingsStore& settings, const std::string& folder);

} // namespace ferrolet
