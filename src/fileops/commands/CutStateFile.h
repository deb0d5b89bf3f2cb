#pragma once

#include "fileops/commands/CutState.h"
#include "util/Status.h"

#include <string>

namespace ferrolet {

// The pending cut survives the process in a small file beside the holding
// folders ("pending-cut" in the state directory). It names the holding
// folder by its UUID alone, so a damaged or forged file can only ever point
// at one of our own holding folders, never at a folder of the user's; the
// origin folder is kept as a durable folder record, so a put-back still finds
// it after it was renamed or its volume remounted.

// The file's path; empty when the state directory cannot be made.
std::string CutStateFilePath();

// Whether name has the form of a holding folder's name: a UUID string of 36
// upper-case hexadecimal digits and hyphens (8-4-4-4-12).
bool IsHoldingFolderName(const std::string& name);

// Writes the state: a pending cut is written to a temporary file that is
// flushed and renamed over the old one, so a crash leaves either the old or
// the new state; no pending cut removes the file. The status of the first
// step that failed.
Status SaveCutState(const CutState& cut);

// Reads the state (at start, and by Cut under the pending-cut lock). The
// file is only an index: each holding folder describes itself
// (HeldProvenance.h). No file, or one naming a holding folder that is gone,
// means the most recent holding folder that still holds items is pending
// (and the file is written anew for it); with none, no cut is pending. A file
// that is a link, a FIFO or not a state file is renamed aside
// ("pending-cut.corrupt", never opened blocking nor followed) and the holding
// folders are found the same way. CRLF line ends and blank or further lines
// are read. A file that cannot be read (EACCES) leaves cut as it was.
Status LoadCutState(CutState& cut);

} // namespace ferrolet
