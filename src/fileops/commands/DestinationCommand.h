#pragma once

#include "fileops/commands/CommandContext.h"
#include "fileops/commands/FolderDialogWording.h"
#include "platform/FileRef.h"
#include "util/Status.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace ferrolet {

// One per-item step of a destination command (move, copy, alias, hard link
// …): acts on item (whose path is itemPath) with the destination folder at
// destinationPath. Its status: 0 when the item is done, and then newItem
// designates what the user should be shown at the destination (the moved
// item, the copy, the new link); otherwise an errno value, and the action has
// logged its own detail lines, if any.
using DestinationItemAction =
    std::function<Status(CommandContext& ctx, const FileRef& item, const std::string& itemPath,
                         const std::string& destinationPath, FileRef& newItem)>;

struct DestinationOperation {
    DestinationItemAction action;
    // Logged, after a beep, for every item whose action failed; a "%1" in it
    // stands for the action's status.
    QString failureLine;
    // An item whose path cannot be made (it vanished, or its place now holds
    // another item) is skipped silently; when false it goes to the action
    // as it stands (with an empty itemPath) and fails there like any other.
    bool skipLostItems = true;
    // What the folder dialog says the folder is for.
    DialogPurpose purpose = DialogPurpose::Move;
    // The command in the notification of a run with failures: "Move To",
    // and what did not happen to the failed items, "moved".
    QString verb;
    QString done;
    // Sets the run up before its first item (Move To's batch of moves);
    // may be empty.
    std::function<void(CommandContext&)> prepareRun;
};

// The steps every destination command shares:
//  1. no selection: nothing at all;
//  2. k < 1: the folder dialog; cancelled: nothing at all;
//  3. for every selected item in order: an item whose path cannot be made
//     (unless the operation takes lost items) or whose destination cannot
//     be resolved is skipped without a beep or a log line; a failed action
//     beeps and logs failureLine; a done item is revealed when
//     "SelectMovedItem" is on, and when it is the last item the completion
//     sound plays, so the sound means "the last item made it".
// The whole run is one CommandRun: its done items are revealed together
// after the last one, and every item that did not make it (skipped or
// failed) is named in one notification at the end.
void RunDestinationCommand(CommandContext& ctx, int k, const DestinationOperation& operation);

// The selection holds at least one slot: steps 1 of every destination
// command.
bool HasSelection(const CommandContext& ctx);

// The first two steps every destination command shares: nothing happens
// without a selection (the run's report says so), and a folder index below 1
// asks for the destination in the folder dialog (*chosen). False when the
// command ends there.
bool StartDestinationCommand(CommandContext& ctx, int k, DialogPurpose purpose,
                             std::optional<std::string>& chosen);

// A done item's ending: gathered for the run's reveal when "SelectMovedItem" is on, and the
// completion sound after the last item.
void FinishDestinationItem(CommandContext& ctx, const FileRef& newItem,
                           const std::string& destination, bool isLast);

// Tells the run's report about the destination of folder index k at
// destinationPath; a listed folder that no longer resolves is named by the
// path it was recorded with.
void NoteDestinationOf(CommandContext& ctx, int k, const std::string& destinationPath);

// The snapshot's items as the command runs on them: a copy, since a command
// may run the event loop (progress) and a menu build then replaces the
// snapshot; never more than its count.
std::vector<FileRef> SelectedItems(const CommandContext& ctx);
// The same, taken out of a snapshot that only this run acts on
// (SelectionSnapshot::takenByRun), which keeps no items then.
std::vector<FileRef> TakeSelectedItems(CommandContext& ctx);

} // namespace ferrolet
