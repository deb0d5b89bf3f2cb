#pragma once

#include "fileops/commands/CommandContext.h"
#include "fileops/commands/RunProgress.h"
#include "fileops/commands/RunReport.h"
#include "fileops/engine/MoveBatch.h"
#include "fileops/engine/ProgressSink.h"
#include "platform/FileRef.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ferrolet {

class GestureRecorder;

// One command run: a menu command, a `--command`, or a whole service
// request. The items it would show the user are gathered and shown in one
// file-manager request after the last item, and its failures in one
// notification, instead of a window or a silence per item.
struct CommandRun {
    RunReport report;
    // Paths of the items to select in the file manager, in run order.
    std::vector<std::string> revealed;
    // The destination folder reveals last looked for (its path as the run
    // names it and the folder that path led to), so a run of many items
    // into one folder resolves it once.
    std::string revealFolderPath;
    FileRef revealFolder;
    // The run's log lines so far, and how often each text logged so far came
    // again once the first kRunLogLines were written (LogInRun).
    int loggedLines = 0;
    std::map<QString, int> repeats;
    // How far it has got, and whether the user asked it to stop.
    RunProgress progress;
    // Who follows it (the progress window); null when nobody does.
    RunWatcher* watcher = nullptr;
    // What the file engine reports to during the run: it keeps progress up
    // to date, tells the watcher and answers the cancel request.
    ProgressSink sink;
    // The run's moves to another file system waiting for one flush before
    // their sources go (UseMoveBatch); flushed at the latest when the run
    // ends, before its report is made.
    std::unique_ptr<MoveBatch> moveBatch;
};

// After this many log lines a run stops repeating lines it already wrote, and
// says at its end how many more of each there were.
inline constexpr int kRunLogLines = 100;

// Logs line for ctx's run: a million failed items make a hundred lines and
// "… and 999900 more like it: <line>", not a million lines.
void LogInRun(CommandContext& ctx, const QString& line);

// Opens a run for ctx while it lives, and at its end shows what the run
// gathered: one reveal of all its items and, when something failed or the run
// could not start, one notification. A scope opened while another run is in
// progress joins that run (a service request that runs a command once per
// item still shows one reveal and one notification); only the outermost
// scope shows anything.
class CommandRunScope {
public:
    // verb and done name the command in the notification ("Move To",
    // "moved"); a joined run keeps the verb it already has.
    CommandRunScope(CommandContext& ctx, const QString& verb, const QString& done);
    ~CommandRunScope();
    CommandRunScope(const CommandRunScope&) = delete;
    CommandRunScope& operator=(const CommandRunScope&) = delete;

    RunReport& Report() { return m_ctx.run->report; }

private:
    CommandContext& m_ctx;
    CommandRun m_own;
    bool m_owner = false;
    // The sink ctx.progress pointed at before the run put its own there.
    const ProgressSink* m_outerSink = nullptr;
    // The run's gesture in the filing journal (only the outermost scope's).
    std::unique_ptr<GestureRecorder> m_gesture;
};

// The name of a run's gesture in the journal's titles: "Move" for "Move To",
// "Wrap" for "Wrap Items".
QString GestureVerb(const QString& runVerb);

// Between items: reached items are behind the run (done or failed) and the
// one named name comes next. Tells the watcher and answers whether the run
// goes on; false once the user asked to cancel, and the run's report then
// says it was cancelled there. True without a run.
bool NextItem(CommandContext& ctx, int reached, const std::string& name = {});

// After an item's action failed with status: true when that was the user's
// cancel (the engine rolled the item back), and the report then says the run
// was cancelled after reached items. The caller stops without reporting the
// item as failed.
bool CancelledDuring(CommandContext& ctx, int status, int reached);

// What the commands tell the run's report; nothing without a run.
// The run could not start: nothing was selected.
void NoteNothingSelected(CommandContext& ctx);
// The run sets out to act on count more items.
void NoteItems(CommandContext& ctx, int count);
// The run's destination folder, named by its last path component; marked
// missing when destinationPath leads to no folder now.
void NoteDestination(CommandContext& ctx, const std::string& destinationPath);
// count items (under name) failed with the errno value status.
void NoteFailure(CommandContext& ctx, const QString& name, int status, int count = 1);
// An item's name for the report: its name as stored, or else the last
// component of the path it was known by.
QString NameForReport(const FileRef& item, const std::string& itemPath = {});

// Adds the item that arrived in the folder at destinationPath to the reveals
// of ctx's run (items/RevealMovedItem.h says which path that is).
void RevealMovedItem(CommandContext& ctx, const FileRef& item, const std::string& destinationPath);

// Adds path to the reveals of ctx's run; without a run it is shown at once.
void RevealAtEnd(CommandContext& ctx, const std::string& path);

// Lets ctx's run batch its moves to other file systems (MoveBatch.h): one
// flush for many items instead of one each. failed hears of each move the
// batch could not finish; the run's reveal drops a copy that was taken back.
void UseMoveBatch(CommandContext& ctx, const MoveBatch::FailureSink& failed);

// Shows what run gathered: the reveal and the notification. The reveals are
// handed on, not copied (a run may have revealed 100,000 items): run's list
// of them is empty afterwards.
void FinishCommandRun(Platform& platform, CommandRun& run);

} // namespace ferrolet
