#pragma once

#include "fileops/engine/ProgressSink.h"
#include "platform/FileRef.h"
#include "util/Status.h"

#include <string>

namespace ferrolet {

// The file engine beneath every command that moves, copies or deletes.
// Every call works relative to folder descriptors, never follows a symbolic
// link it was not asked to follow, and never replaces an existing item.
//
// Statuses: EINVAL for a null reference or an unusable name; ENOENT when
// the item or the folder is gone or its path now holds another item; ENOTDIR
// when the destination is not a folder; EEXIST when the destination holds an
// item of the resulting name; EINVAL when a folder would go into itself or
// one of its own subfolders; EBUSY when a source changed while it was being
// copied (a folder inside it moved away or swapped for a link or another
// folder while the copy was below it fails a copy too); ECANCELED when the
// progress sink cancelled; any other errno as it came.

// Moves the item into destinationFolder, under *newName when given and its
// own name otherwise. Within one file system this is one rename. Across file
// systems the item is copied to a hidden temporary name in the destination,
// renamed into place once no source file changed during the copy and all of
// it can go, made durable (one syncfs: data and name), and only then is the
// source removed. On failure the source stays whole and no copy is left (a source that
// changes in the last instant, while its removal is under way, stays where it
// is beside the complete copy, and the move reports EBUSY). *newItem receives
// the reference of the item at its new place.
//
// With a MoveBatch on this thread, the move ends once the copy is in place:
// the flush and the source's removal are the batch's, done for many moves at
// once, and what fails then is told to the batch's failure sink.
Status MoveObject(const FileRef& item, const FileRef& destinationFolder, const std::string* newName,
                  FileRef* newItem, const ProgressSink* progress = nullptr);

// Copies the item (a folder with all its contents) into destinationFolder,
// under *newName when given. Nothing appears under the real name until the
// copy is complete; a failed copy leaves nothing behind.
Status CopyObject(const FileRef& item, const FileRef& destinationFolder, const std::string* newName,
                  FileRef* newItem, const ProgressSink* progress = nullptr);

// Removes a file, a symbolic link (not what it points to) or an empty folder.
Status DeleteObject(const FileRef& item);

// The prefix of the hidden names under which copies are built; such an entry
// left in a folder is the remains of a copy that was interrupted.
inline constexpr const char* kPartialCopyPrefix = ".ferrolet-partial-";

} // namespace ferrolet
