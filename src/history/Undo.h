#pragma once

#include "fileops/commands/CommandContext.h"
#include "journal/JournalRecords.h"

#include <QString>

#include <optional>
#include <vector>

namespace ferrolet {

class JournalStore;

// Undo and the history of gestures.
//
// Undoing a gesture takes its steps back, last first, as a gesture of its
// own (so undoing that one redoes): a moved item goes back where it came from
// (under a unique name when its old name is taken now); what the gesture made
// (copies, archives, aliases, hard links, a wrapper) goes to the Trash of its
// file system; an item the gesture put in the Trash comes back. An item that
// is no longer what the gesture left (moved, changed or gone since) is left
// alone and named in the run's notification. Steps the gesture only needed on
// its way are passed by.

// How many gestures the History submenu lists.
inline constexpr int kHistoryMenuLength = 10;

// Whether a gesture can still be undone (it ended, and was not undone).
bool CanUndo(const Gesture& gesture);

// "Undo Move of 3 Items to Projects"; for an undo, "Redo Move of 3 Items
// to Projects".
QString UndoLabel(const Gesture& gesture);

// The newest gestures first, as `--history` numbers them from 1.
std::vector<Gesture> GestureHistory(JournalStore& store, int count);

// The gesture `--undo` acts on: number n of the history (1 the newest), or
// with n = 0 the newest that can be undone.
std::optional<Gesture> GestureToUndo(JournalStore& store, int n);

// Undoes gesture in one command run of ctx. The number of items taken back.
int UndoGesture(CommandContext& ctx, JournalStore& store, const Gesture& gesture);

// `ferrolet --history`: one line per gesture, numbered, newest first.
QString HistoryText(JournalStore& store);

} // namespace ferrolet
