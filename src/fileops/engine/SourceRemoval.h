#pragma once

#include "fileops/engine/CopyEngine.h"
#include "util/Status.h"

namespace ferrolet {

// The last step of a move across file systems: the copy is complete and
// durable, and the source is to go. Removal must never lose what the copy
// does not hold, and should not leave half a source behind.

// Checks, before anything is removed, that every recorded source entry is
// still the one that was copied (files: same size, modification and change
// time; folders: no entry added or removed) and that it can be removed
// (writable folders, no immutable or append-only entry, sticky folders
// honoured). EBUSY when something changed; the permission error otherwise.
Status CheckSourceRemovable(int parentDir, const CopiedEntry& entry);

// Removes the recorded entries bottom-up, checking each again just before it
// goes; a file that changed in the meantime stays, with its folders, and the
// result is EBUSY. *removedAny tells whether anything was removed, so that
// the caller knows whether the copy can still be taken back.
Status RemoveCopiedSource(int parentDir, const CopiedEntry& entry, bool* removedAny);

// Removes a tree this process has made itself (a partial or unwanted copy),
// making its folders writable first. Best effort: it goes on after a failure
// and reports the first one.
Status RemoveOwnTreeAt(int dir, const std::string& name);

} // namespace ferrolet
