#pragma once

#include "dispatch/CommandIds.h"
#include "dispatch/StandardFolders.h"

#include <QString>

#include <optional>
#include <span>

namespace ferrolet {

// What a service entry does with each usable item it is handed.
enum class ServiceAction {
    MoveToStandardFolder, // move the item into one of the user's standard folders
    OpenWindow,           // show the Move Service window at the mouse
    CloseWindow,          // hide the Move Service window
    RunWithFolderDialog,  // run a destination command on the selection, asking for the folder
};

// One of the sixteen entries other programs reach us through, told apart by
// its user-data string.
struct ServiceEntry {
    const char* userData;
    ServiceAction action;
    StandardFolder folder = StandardFolder::Home;            // MoveToStandardFolder
    DestinationCommand command = DestinationCommand::MoveTo; // RunWithFolderDialog
};

// The entries in the order their user data is compared.
std::span<const ServiceEntry> ServiceEntries();

// The first entry whose user data equals the given text exactly (letter case
// included); nothing for any other text.
std::optional<ServiceEntry> FindServiceEntry(const QString& userData);

} // namespace ferrolet
