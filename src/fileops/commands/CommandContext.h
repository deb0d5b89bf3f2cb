#pragma once

#include "filemanager/Selection.h"
#include "fileops/commands/CutState.h"
#include "fileops/engine/ProgressSink.h"
#include "platform/Platform.h"
#include "settings/SettingsStore.h"

#include <QMap>
#include <QString>

#include <functional>

namespace ferrolet {

struct CommandRun;
class RunWatcher;

// What every command works with: the settings, the desktop services, the
// selection snapshot the last menu build took, the extension map it left,
// and the pending cut. Owned by the application; commands borrow it.
struct CommandContext {
    SettingsStore& settings;
    Platform& platform;
    SelectionSnapshot& selection;
    QMap<QString, QString>& extensionFolderMap;
    CutState& cut;
    // Refreshes an open preferences window's destination table after Add
    // Folder or Remove Folder; empty when there is no window.
    std::function<void()> updatePathnamesTable;
    // What the file engine reports its progress to: during a run, the run's
    // own sink (CommandRun.h), which also answers the user's cancel.
    const ProgressSink* progress = nullptr;
    // The run in progress: what it reveals and what failed, shown once at
    // its end (CommandRun.h); null between runs.
    CommandRun* run = nullptr;
    // Follows every run made in this context (the progress window); null
    // when nobody watches.
    RunWatcher* watcher = nullptr;
};

} // namespace ferrolet
