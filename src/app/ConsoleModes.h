#pragma once

#include "app/CommandLine.h"

#include <QDBusInterface>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

namespace ferrolet {

class DesktopPlatform;
class RunWatcher;

// How long a command run from the command line waits, once done, for the
// file manager to answer its reveal (one started by the bus takes a moment)
// and for its sounds to end.
inline constexpr std::chrono::milliseconds kPendingRequestsPatience{3000};

void Print(const QString& text);
// The running instance on the session bus, when there is one.
std::unique_ptr<QDBusInterface> RunningInstance();
// Whether a window system is there for windows and dialogs.
bool HaveDisplay();
// A command that was refused (2) or ran with items that failed (1); the
// message goes to standard error.
int CommandRefused(const QString& message);
int CommandFailed(int status, const QString& message);
// --command TAG [--ask] [PATH...] handed to the running instance: its exit
// status, or nothing when no instance answered.
std::optional<int> CommandInRunningInstance(int tag, bool ask, const QStringList& paths);

// --command TAG [--ask] [PATH...] run in this process on platform (the
// running instance did not take it), watcher (the progress window, or none)
// hearing how it goes; its exit status, once what it sent to the desktop
// has left.
int RunCommandHere(DesktopPlatform& platform, RunWatcher* watcher, int tag, bool ask,
                   const QStringList& paths);

// The program's arguments parsed; nothing, with the reason and the usage on
// standard error, when they make no command line.
std::optional<CommandLine> ParseProgramArguments(int argc, char** argv);

// Runs what needs no window: everything but the tray, the preferences
// window, service requests and a command that may show a folder dialog or a
// progress window (CommandRunsWithoutWindows). Nothing for those: the
// program with windows (ferrolet-gui) runs them.
std::optional<int> RunWithoutWindows(int argc, char** argv, const CommandLine& cl);

} // namespace ferrolet
