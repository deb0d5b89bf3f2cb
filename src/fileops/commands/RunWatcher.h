#pragma once

namespace ferrolet {

struct CommandRun;

// Someone who follows command runs as they happen: the progress window. It
// hears of a run at every item and every megabyte or so that the file engine
// copies, and once when the run ends. A watcher may turn the event loop
// while it is told (the run holds the main thread), and may set the run's
// progress.cancelRequested to stop it.
class RunWatcher {
public:
    virtual ~RunWatcher() = default;
    // The run got further (the first call starts it, for the watcher).
    virtual void RunAdvanced(CommandRun& run) = 0;
    // The run is over; run is still whole during the call.
    virtual void RunEnded(const CommandRun& run) = 0;
};

} // namespace ferrolet
