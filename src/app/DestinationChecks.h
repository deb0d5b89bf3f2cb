#pragma once

#include "DestinationFacts.h"
#include "dispatch/CommandIds.h"

#include <QString>

#include <cstdint>
#include <string>

namespace ferrolet {

// Why a listed destination cannot take the current selection for a command,
// as the short text its greyed menu item shows in brackets ("not found",
// "read-only", "needs 2.1 GB, 0.4 GB free", …); an empty string when the
// command can go ahead. Pure: every fact comes in, so the rules can be
// tested without real mounts. destPath is the destination's resolved path.
QString UnavailableReason(DestinationCommand command, const SelectionFacts& selection,
                          const DestinationFacts& dest, const std::string& destPath);

// Adds one valid selected item holding bytes to the facts.
void AddSelectedItem(SelectionFacts& selection, SelectedItemFacts item, uint64_t bytes);

// A byte count for people: "512 bytes", "0.9 MB", "2.1 GB" (powers of 1000,
// one decimal), in the unit chosen for unitOf.
QString SizeText(uint64_t bytes, uint64_t unitOf);

// Whether the file system would refuse this name: longer than its name
// limit, or, on FAT and exFAT, holding one of "*:<>?\| or a control
// character, or ending with a dot or a space.
bool NameNotAllowed(const std::string& name, const FileSystemFacts& fs);

} // namespace ferrolet
