#pragma once

#include "util/Status.h"

#include <QDBusConnection>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace ferrolet {

// The running file manager is whichever program owns this name on the
// session bus (Thunar, Nautilus, Dolphin, Nemo all do), or can be started by
// the bus under it.
inline constexpr const char* kFileManagerService = "org.freedesktop.FileManager1";
inline constexpr const char* kFileManagerPath = "/org/freedesktop/FileManager1";
inline constexpr const char* kFileManagerInterface = "org.freedesktop.FileManager1";

// 0 when a file manager owns kFileManagerService on the bus or the bus can
// start one; ESRCH when there is none, no bus, or no
// QCoreApplication to talk to it with.
Status FindFileManager();
Status FindFileManager(const QDBusConnection& bus);

// Selects the items in a file-manager window (ShowItems) or shows the folders
// (ShowFolders). The call is sent without waiting for its reply, since the bus
// may first have to start the file manager. When no file manager can answer
// (no bus, nobody owns or can own the name, or the call comes back with an
// error) each parent folder, or each folder, is opened with xdg-open instead.
// The reply is noticed in the event loop of the calling thread.
void ShowItems(const std::vector<std::string>& paths);
void ShowItems(const std::vector<std::string>& paths, const QDBusConnection& bus);
void ShowFolders(const std::vector<std::string>& paths);
void ShowFolders(const std::vector<std::string>& paths, const QDBusConnection& bus);

// Runs the event loop until every ShowItems or ShowFolders call sent so far
// to a file manager that was not running yet has its reply (and any xdg-open
// fallback it called for has started), or limit has passed; a running file
// manager's answer is not waited for. A process that ends after a command waits here rather
// than for a fixed time: a file manager that is running answers in
// milliseconds, and one the bus must start first is given the limit.
void AwaitFileManagerReplies(std::chrono::milliseconds limit);

// The file:// URI of an absolute path, every byte outside the unreserved set
// and "/" percent-escaped, so names that are not UTF-8 survive the trip.
QString FileUriFromPath(const std::string& path);

// Starts a program detached, with an argument vector (never a shell).
using FallbackLauncher = std::function<void(const QString& program, const QStringList& args)>;
// Replaces how the xdg-open fallback is started (tests observe it); an empty
// launcher restores StartDetached (util/DetachedProcess.h).
void SetFileManagerFallbackLauncher(FallbackLauncher launcher);

} // namespace ferrolet
