#include "fileops/commands/CommandRun.h"

#include "items/ItemNames.h"
#include "items/RevealMovedItem.h"
#include "journal/GestureRecorder.h"
#include "journal/JournalStore.h"
#include "util/Log.h"

#include "fileops/commands/RunWatcher.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <numeric>
#include <sys/stat.h>

namespace ferrolet {

namespace {

// The last component of a path as a file manager shows it ("/" for the root).
QString LastComponent(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    const size_t slash = path.rfind('/');
    const std::string name =
        slash == std::string::npos || path.size() == 1 ? path : path.substr(slash + 1);
    return QString::fromUtf8(name);
}

void TellWatcher(CommandRun& run) {
    if (run.watcher) {
        run.watcher->RunAdvanced(run);
    }
}

// The sink the file engine reports to during run: it keeps the run's
// progress, tells the watcher, passes the reports on to outer (a sink the
// context had before the run) and says stop once the user cancelled.
ProgressSink RunSink(CommandRun& run, const ProgressSink* outer) {
    ProgressSink sink;
    sink.started = [&run, outer](const std::string& name, uint64_t total) {
        run.progress.itemName = name;
        run.progress.itemBytes = total;
        run.progress.itemBytesDone = 0;
        TellWatcher(run);
        if (outer && outer->started) {
            outer->started(name, total);
        }
    };
    sink.advanced = [&run, outer](uint64_t done) {
        RunProgress& progress = run.progress;
        if (done > progress.itemBytesDone) {
            progress.bytesDone += done - progress.itemBytesDone;
        }
        progress.itemBytesDone = done;
        TellWatcher(run);
        const bool outerGoesOn = !outer || !outer->advanced || outer->advanced(done);
        return outerGoesOn && !progress.cancelRequested;
    };
    return sink;
}

// An item revealed twice (a service run repeated per item) is asked for
// once, where it came first. The list is compacted in place, its order kept:
// a second list or a set of the paths would cost as much as the list itself
// in a run of 100,000 items; an order of indices costs four bytes an item.
void DropRepeatedPaths(std::vector<std::string>& paths) {
    std::vector<uint32_t> order(paths.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&paths](uint32_t a, uint32_t b) { return paths[a] < paths[b]; });
    std::vector<bool> repeated(paths.size());
    for (size_t i = 1; i < order.size(); ++i) {
        repeated[order[i]] = paths[order[i]] == paths[order[i - 1]];
    }
    size_t kept = 0;
    for (size_t i = 0; i < paths.size(); ++i) {
        if (!repeated[i]) {
            if (kept != i) {
                paths[kept] = std::move(paths[i]);
            }
            ++kept;
        }
    }
    paths.resize(kept);
}

void MarkCancelled(RunReport& report, int reached) {
    if (!report.cancelled) {
        report.cancelled = true;
        report.itemsReached = reached;
    }
}

} // namespace

CommandRunScope::CommandRunScope(CommandContext& ctx, const QString& verb, const QString& done)
    : m_ctx(ctx) {
    if (!m_ctx.run) {
        m_ctx.run = &m_own;
        m_owner = true;
        m_own.watcher = m_ctx.watcher;
        m_own.sink = RunSink(m_own, m_ctx.progress);
        m_outerSink = m_ctx.progress;
        m_ctx.progress = &m_own.sink;
        m_gesture = std::make_unique<GestureRecorder>(JournalStore::Shared());
    }
    if (m_ctx.run->report.verb.isEmpty()) {
        m_ctx.run->report.verb = verb;
        m_ctx.run->report.done = done;
    }
}

CommandRunScope::~CommandRunScope() {
    if (!m_owner) {
        return;
    }
    // Its failures belong in this run's report.
    m_own.moveBatch.reset();
    m_ctx.run = nullptr;
    m_ctx.progress = m_outerSink;
    m_gesture->SetVerb(GestureVerb(m_own.report.verb));
    const char* state = kGestureDone;
    if (m_own.report.cancelled) {
        state = kGestureCancelled;
    } else if (m_own.report.HasTrouble()) {
        state = kGestureFailed;
    }
    m_gesture->SetState(state);
    m_gesture.reset();
    if (m_own.watcher) {
        m_own.watcher->RunEnded(m_own);
    }
    FinishCommandRun(m_ctx.platform, m_own);
}

bool NextItem(CommandContext& ctx, int reached, const std::string& name) {
    if (!ctx.run) {
        return true;
    }
    RunProgress& progress = ctx.run->progress;
    progress.itemsReached = reached;
    progress.itemName = name;
    progress.itemBytes = 0;
    progress.itemBytesDone = 0;
    TellWatcher(*ctx.run);
    if (progress.cancelRequested) {
        MarkCancelled(ctx.run->report, reached);
        return false;
    }
    return true;
}

bool CancelledDuring(CommandContext& ctx, int status, int reached) {
    if (!ctx.run || status != ECANCELED || !ctx.run->progress.cancelRequested) {
        return false;
    }
    MarkCancelled(ctx.run->report, reached);
    return true;
}

QString GestureVerb(const QString& runVerb) {
    for (const QLatin1String suffix : {QLatin1String(" To"), QLatin1String(" Items")}) {
        if (runVerb.endsWith(suffix)) {
            return runVerb.chopped(suffix.size());
        }
    }
    return runVerb;
}

void NoteNothingSelected(CommandContext& ctx) {
    if (ctx.run) {
        ctx.run->report.notStarted = QStringLiteral(
            "Nothing is selected. Select the items in the file manager and copy them (Ctrl+C) "
            "first.");
    }
}

void NoteItems(CommandContext& ctx, int count) {
    if (ctx.run) {
        ctx.run->report.items += count;
    }
}

void NoteDestination(CommandContext& ctx, const std::string& destinationPath) {
    if (!ctx.run) {
        return;
    }
    RunReport& report = ctx.run->report;
    // An unresolvable list entry has no name worth showing.
    if (!destinationPath.empty() && destinationPath.front() == '/') {
        report.destination = LastComponent(destinationPath);
    }
    struct stat st {};
    if (stat(destinationPath.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        report.destinationMissing = true;
    }
}

void NoteFailure(CommandContext& ctx, const QString& name, int status, int count) {
    if (ctx.run) {
        ctx.run->report.AddFailure(name, status, count);
    }
}

QString NameForReport(const FileRef& item, const std::string& itemPath) {
    if (const std::optional<std::string> name = ItemFileName(item)) {
        return QString::fromUtf8(*name);
    }
    if (!item.Path().empty()) {
        return LastComponent(item.Path());
    }
    return LastComponent(itemPath);
}

void RevealMovedItem(CommandContext& ctx, const FileRef& item, const std::string& destinationPath) {
    if (ctx.run) {
        CommandRun& run = *ctx.run;
        if (run.revealFolderPath != destinationPath || run.revealFolder.IsNull()) {
            run.revealFolderPath = destinationPath;
            FileRef::FromPath(destinationPath, run.revealFolder, FileRef::Leaf::Follow);
        }
        // The item that arrived is the one to show: what the lookup below
        // would find. The command has just made it there, so no look at it
        // is needed (a file manager shows an item gone since as its folder).
        if (!run.revealFolder.IsNull() && item.ParentPath() == run.revealFolder.Path() &&
            !item.IsNull()) {
            RevealAtEnd(ctx, item.Path());
            return;
        }
    }
    if (const std::optional<std::string> path = MovedItemRevealPath(item, destinationPath)) {
        RevealAtEnd(ctx, *path);
    }
}

void RevealAtEnd(CommandContext& ctx, const std::string& path) {
    if (ctx.run) {
        ctx.run->revealed.push_back(path);
    } else {
        ctx.platform.RevealItems({path});
    }
}

void LogInRun(CommandContext& ctx, const QString& line) {
    if (!ctx.run) {
        Log(line);
        return;
    }
    CommandRun& run = *ctx.run;
    const auto seen = run.repeats.find(line);
    if (run.loggedLines >= kRunLogLines && seen != run.repeats.end()) {
        ++seen->second;
        return;
    }
    Log(line);
    ++run.loggedLines;
    // Only texts of the first lines are watched for, so the map stays small
    // when every line names its own item.
    if (seen == run.repeats.end() && run.repeats.size() < static_cast<size_t>(kRunLogLines)) {
        run.repeats.emplace(line, 0);
    }
}

void UseMoveBatch(CommandContext& ctx, const MoveBatch::FailureSink& failed) {
    if (!ctx.run || ctx.run->moveBatch) {
        return;
    }
    CommandRun* run = ctx.run;
    ctx.run->moveBatch = std::make_unique<MoveBatch>([run, failed](const std::string& source,
                                                                   const std::string& copy,
                                                                   Status status, bool copyKept) {
        if (!copyKept) {
            std::erase(run->revealed, copy);
        }
        failed(source, copy, status, copyKept);
    });
}

void FinishCommandRun(Platform& platform, CommandRun& run) {
    for (const auto& [line, more] : run.repeats) {
        if (more > 0) {
            Log(QStringLiteral("\u2026 and %1 more like it: %2").arg(more).arg(line));
        }
    }
    // The paths move over: run's list is empty afterwards.
    std::vector<std::string> paths = std::move(run.revealed);
    run.revealed = std::vector<std::string>();
    DropRepeatedPaths(paths);
    if (!paths.empty()) {
        platform.RevealItems(paths);
    }
    paths = std::vector<std::string>();
    if (const std::optional<RunNotice> notice = NoticeFor(run.report)) {
        platform.Notify(notice->summary, notice->body);
    }
}

} // namespace ferrolet
