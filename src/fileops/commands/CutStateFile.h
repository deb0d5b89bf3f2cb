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

// Reads the state at start. No file means no pending cut (status 0). A file
// that cannot be read or is not a state file is ignored and kept: cut is left
// as it was, the holding folders stay untouched on disk, and the status says
// why (EINVAL for bytes that are not a state file). A holding folder that is
// gone, or that is no longer a folder, means no pending cut.
Status LoadCutState(CutState& cut);

} // namespace ferrolet
