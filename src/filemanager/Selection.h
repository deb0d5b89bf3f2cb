#pragma once

#include "filemanager/CapturedRun.h"
#include "platform/FileRef.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ferrolet {

// The selection taken by the last menu build; the commands act on it.
// hasArray false means "no selection"; otherwise items holds count slots, of
// which those the file system could not resolve are default (invalid) refs.
struct SelectionSnapshot {
    bool hasArray = false;
    std::vector<FileRef> items;
    int32_t count = 0;
    // Named by a request (context-menu entry, --command with paths) rather
    // than taken from the file manager: a menu build for it keeps it.
    bool given = false;
    // Only one run acts on it (a command-line run), which takes its items
    // instead of copying them: the copy would double a run's largest list.
    bool takenByRun = false;
};

// Most lines the selection script may print; more is treated as a runaway.
inline constexpr size_t kMaxSelectionLines = 1000000;

// Runs the executable "selection" of the data folder anew, with no arguments,
// and turns its output into one slot per item line (see
// SelectionFromScriptOutput). No output, no item line, a non-zero exit, a
// missing or non-executable script, or a script that passes the time (5 s) or
// size (64 MiB, kMaxSelectionLines) bounds: nothing is returned and count is
// left as it was. Otherwise count is the number of slots. Tests pass tighter
// limits so that a runaway script costs them a fraction of a second.
std::optional<std::vector<FileRef>> ReadSelection(int32_t& count);
std::optional<std::vector<FileRef>> ReadSelection(const std::string& scriptPath, int32_t& count,
                                                  const CaptureLimits& limits = {});

// What a menu build does with the selection: takes it anew and replaces the
// snapshot. With no selection, hasArray is false and items empty; count keeps
// its last value, as ReadSelection leaves it.
void RefreshSelectionSnapshot(SelectionSnapshot& snapshot);
void RefreshSelectionSnapshot(SelectionSnapshot& snapshot, const std::string& scriptPath);

// The slots for the script's output: every line except empty ones and "#"
// comments is an item line and gets a slot, in order; "\r\n" ends a line as
// "\n" does. A line that names no existing item, or an item that an earlier
// line already named, leaves its slot invalid, so no command acts on one item
// twice. Nothing when there is no item line or too many.
std::optional<std::vector<FileRef>> SelectionFromScriptOutput(std::string_view output);

} // namespace ferrolet
