#pragma once

#include "DestinationFacts.h"

#include <QStringList>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ferrolet {

// How long a menu build waits for a mount to answer; a dead network share
// is shown "(not answering)" instead of holding the menu.
inline constexpr std::chrono::milliseconds kMountAnswerDeadline{50};

// How far a probe has got: -1 before it starts, then the number of folders
// it has looked at. A busy machine may start a probe late or run it slowly;
// only a probe that makes no progress is a mount that does not answer.
using ProbeProgress = std::atomic<int>;

// Looks at folders that share one mount: one stat per folder, the file
// system asked once per device. Runs on a worker thread.
using FolderProbe =
    std::function<std::vector<DestinationFacts>(std::vector<std::string> paths, ProbeProgress&)>;
std::vector<DestinationFacts> ProbeFoldersOnOneMount(std::vector<std::string> paths,
                                                     ProbeProgress& progress);

// Probes under way, one per mount: started by StartProbing, waited for
// (until the deadline, at most) by CollectProbes, so the caller can do other
// work meanwhile.
struct MountGroup {
    std::vector<std::string> paths;
    std::vector<size_t> indexes; // positions in the destination list
    std::future<std::vector<DestinationFacts>> answer;
    std::shared_ptr<ProbeProgress> progress = std::make_shared<ProbeProgress>(-1);
    bool started = false;
};
struct PendingProbe {
    std::map<std::string, MountGroup> groups; // by mount point
    std::chrono::steady_clock::time_point until;
    std::chrono::steady_clock::time_point latest; // however busy the machine
    size_t count = 0;
};
PendingProbe StartProbing(const QStringList& pathnames,
                          std::chrono::milliseconds deadline = kMountAnswerDeadline,
                          const FolderProbe& probe = ProbeFoldersOnOneMount);
std::vector<DestinationFacts> CollectProbes(PendingProbe& pending);

// The facts of every listed destination, in list order. Entries that are
// no absolute path ("<< Folder Not Found >>") are not found. The others are
// grouped by the mount they are under and each group is probed on a thread
// of its own; a group that has not answered by the deadline, and made no
// progress since it was last looked at, is "not answering" and its thread is
// left to finish on its own. A probe that a busy machine has not started yet,
// or that is still moving, gets more time, up to four deadlines in all.
std::vector<DestinationFacts>
ProbeDestinations(const QStringList& pathnames,
                  std::chrono::milliseconds deadline = kMountAnswerDeadline,
                  const FolderProbe& probe = ProbeFoldersOnOneMount);

} // namespace ferrolet
