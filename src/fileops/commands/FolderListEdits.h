#pragma once

#include "fileops/commands/CommandContext.h"
#include "journal/JournalRecords.h"

#include <QString>
#include <QStringList>

namespace ferrolet {

// Add and Remove Folder as gestures of the journal: each edit of the
// destination-folder list is recorded as a step (which list, the folder's
// path and identity, its position), so that it can be undone, and the undo
// redone, like a move. Only the settings file changes, through the store's
// own locked, atomic write; no file is ever touched.

// The position of the entry of the list that designates the folder at path
// with identity (the same path, or the same device and inode), or -1.
qsizetype ListedFolderPosition(const QStringList& list, const QString& path,
                               const ItemIdentity& identity);

// Records a list edit in the current gesture and, when title is given, names
// the gesture "Add Folder “Projects”" / "Remove Folder “Projects”".
void RecordListEdit(StepKind kind, const QString& key, const QString& path, qsizetype position,
                    bool title);

// Takes a recorded list edit back: an added folder leaves the list (when it
// is still in it, at any position), a removed one comes back at its old
// position (or the end of a list grown shorter). The taking back is recorded
// as the opposite edit. ENOENT when the added folder is no longer listed.
Status UndoListEdit(CommandContext& ctx, const JournalStep& step);

} // namespace ferrolet
