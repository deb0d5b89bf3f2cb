#pragma once

#include "DestinationFacts.h"

#include <QStringList>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace ferrolet {

// How long a menu build waits for a mount to answer; a dead network share
// is shown "(not answering)" instead of holding the menu.
inline constexpr std::chrono::milliseconds kMountAnswerDeadline{50};

// Looks at folders that share one mount: one stat per folder, the file
// system asked once per device. Runs on a worker thread.
using FolderProbe = std::function<std::vector<DestinationFacts>(std::vector<std::string> paths)>;
std::vector<DestinationFacts> ProbeFoldersOnOneMount(std::vector<std::string> paths);

// The facts of every listed destination, in list order. Entries that are
// no absolute path ("<< Folder Not Found >>") are not found. The others are
// grouped by the mount they are under and each group is probed on a thread
// of its own; a group that has not answered by the deadline is "not
// answering" and its thread is left to finish on its own.
std::vector<DestinationFacts>
ProbeDestinations(const QStringList& pathnames,
                  std::chrono::milliseconds deadline = kMountAnswerDeadline,
                  const FolderProbe& probe = ProbeFoldersOnOneMount);

} // namespace ferrolet
