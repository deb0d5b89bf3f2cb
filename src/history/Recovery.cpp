#include "history/Recovery.h"

#include "fileops/engine/FileEngine.h"
#include "fileops/engine/SourceRemoval.h"
#include "history/PathParts.h"
#include "history/SourceMatching.h"
#include "items/ItemAccess.h"
#include "items/ItemNames.h"
#include "items/ScopedFd.h"
#include "items/UniqueName.h"
#include "journal/JournalStore.h"
#include "util/AppPaths.h"
#include "util/Log.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet {

namespace {

std::string ExecutableOf(const std::string& pid) {
    char target[PATH_MAX];
    const ssize_t n = readlink(("/proc/" + pid + "/exe").c_str(), target, sizeof target);
    return n > 0 ? std::string(target, n) : std::string();
}

// Whether the process that owns a gesture still runs it: this process, or a
// live process of the same program (a pid reused by another program does
// not count).
bool StillRunning(int64_t pid) {
    if (pid == getpid()) {
        return true;
    }
    if (pid <= 0 || (kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM)) {
        return false;
    }
    return ExecutableOf(std::to_string(pid)) == ExecutableOf("self");
}

// Removes a partial copy by the exact hidden name the journal recorded.
bool RemovePartial(const std::string& partial) {
    const std::string name = NamePartOf(partial);
    if (name.rfind(kPartialCopyPrefix, 0) != 0) {
        return false;
    }
    ScopedFd folder(open(ParentPathOf(partial).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (!folder.IsOpen() || fstatat(folder.Get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return false;
    }
    RemoveOwnTreeAt(folder.Get(), name);
    // An archive's own folder in the state folder is ours too, once empty.
    if (ParentPathOf(ParentPathOf(partial)) == StateDirectoryPath()) {
        rmdir(ParentPathOf(partial).c_str());
    }
    return true;
}

// Puts a complete, durable copy under its real name (a unique one when that
// is taken now); the path it went to.
std::string PlaceRecoveredCopy(const JournalStep& step) {
    ScopedFd folder(open(ParentPathOf(step.to).c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    const std::string partial = NamePartOf(step.partial);
    struct stat st {};
    if (!folder.IsOpen() || fstatat(folder.Get(), partial.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return step.to; // placed already
    }
    std::string name = NamePartOf(step.to);
    if (renameat2(folder.Get(), partial.c_str(), folder.Get(), name.c_str(), RENAME_NOREPLACE) !=
        0) {
        name = UniqueNameFromName(name, NewUUIDString());
        if (renameat2(folder.Get(), partial.c_str(), folder.Get(), name.c_str(),
                      RENAME_NOREPLACE) != 0) {
            return {};
        }
    }
    return ChildPath(ParentPathOf(step.to), name);
}

// Whether the copy at placed, which no flush covered before the
// interruption, is now durable and holds every byte of the source: only
// then may the source go.
bool CopyProvenEqual(const JournalStep& step, const std::string& placed) {
    ScopedFd folder(open(ParentPathOf(placed).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return folder.IsOpen() && syncfs(folder.Get()) == 0 &&
           EntriesDifferingFromCopy(step.from, placed) == 0;
}

// Whether the copy went under its real name just before the interruption,
// before its step could be recorded as placed: no partial copy is left and
// something has the name. Settled as a placed step: the source goes only if
// that is a durable copy equal to it.
bool PlacedBeforeItsRecord(const JournalStep& step) {
    struct stat st {};
    return !step.partial.empty() && lstat(step.partial.c_str(), &st) != 0 && errno == ENOENT &&
           lstat(step.to.c_str(), &st) == 0;
}

void SettleCrossMove(const JournalStep& step, RecoveryReport& report) {
    const QString item = Quoted(step.from);
    const QString destination = Quoted(ParentPathOf(step.to));
    if (step.state == StepState::Intent && !PlacedBeforeItsRecord(step)) {
        RemovePartial(step.partial);
        report.settled << QStringLiteral("Kept %1 in %2: its move to %3 was interrupted before "
                                         "its copy was complete.")
                              .arg(item, Quoted(ParentPathOf(step.from)), destination);
        return;
    }
    const std::string placed = PlaceRecoveredCopy(step);
    struct stat st {};
    if (placed.empty() || lstat(placed.c_str(), &st) != 0) {
        report.attention << QStringLiteral("The interrupted move of %1 to %2 left its source "
                                           "where it was.")
                                .arg(item, destination);
        return;
    }
    if (step.state != StepState::Flushed && !CopyProvenEqual(step, placed)) {
        report.attention << QStringLiteral("The interrupted move of %1 to %2 could not be "
                                           "finished: its copy there is not the same as the "
                                           "source, so both are kept.")
                                .arg(item, destination);
        return;
    }
    const int left = RemoveSourceMatchingCopy(step.from, placed);
    report.settled << QStringLiteral("Finished moving %1 to %2.").arg(item, destination);
    if (left > 0) {
        report.attention << QStringLiteral("%1 items of %2 changed during the move and stayed "
                                           "in %3.")
                                .arg(left)
                                .arg(item, Quoted(ParentPathOf(step.from)));
    }
}

// A wrapper the gesture made: gone when empty, kept (and its contents
// named) when it holds some of the items.
void SettleWrapper(const JournalStep& step, RecoveryReport& report) {
    if (!IdentityAt(AT_FDCWD, step.to).Matches(step.identity)) {
        return;
    }
    if (rmdir(step.to.c_str()) == 0) {
        report.settled << QStringLiteral("Removed the empty folder %1 an interrupted gesture made.")
                              .arg(Quoted(step.to));
        return;
    }
    ScopedFd folder(open(step.to.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::vector<std::string> names;
    if (folder.IsOpen()) {
        ListEntryNames(folder.Get(), names);
    }
    QStringList shown;
    for (size_t i = 0; i < names.size() && i < 5; ++i) {
        shown << Quoted(names[i]);
    }
    if (names.size() > 5) {
        shown << QStringLiteral("and %1 more").arg(names.size() - 5);
    }
    report.attention << QStringLiteral("%1 in %2 holds what the interrupted wrap put in it (%3); "
                                       "the other items are still where they were.")
                            .arg(Quoted(step.to), Quoted(ParentPathOf(step.to)),
                                 shown.join(QStringLiteral(", ")));
}

void SettleStep(const JournalStep& step, RecoveryReport& report) {
    switch (step.kind) {
    case StepKind::CrossMove:
        SettleCrossMove(step, report);
        break;
    case StepKind::Copy:
    case StepKind::Partial:
        if (RemovePartial(step.partial)) {
            report.settled << QStringLiteral("Removed the unfinished copy of %1 in %2.")
                                  .arg(Quoted(step.kind == StepKind::Copy ? step.from : step.to),
                                       Quoted(ParentPathOf(step.partial)));
        }
        break;
    default:
        break;
    }
}

void SettleGesture(JournalStore& store, const Gesture& gesture, RecoveryReport& report) {
    for (const JournalStep& step : store.StepsOf(gesture.id)) {
        const bool unfinished = step.state == StepState::Intent ||
                                step.state == StepState::Copied ||
                                step.state == StepState::Placed || step.state == StepState::Flushed;
        if (unfinished) {
            SettleStep(step, report);
            store.SetStepState(step.id, StepState::Settled);
        } else if (step.kind == StepKind::Made && step.from.empty() && step.identity.folder) {
            SettleWrapper(step, report);
        }
    }
    store.MarkGesture(gesture.id, kGestureInterrupted);
}

} // namespace

RecoveryReport RecoverInterrupted(JournalStore& store) {
    RecoveryReport report;
    if (!store.Exists() || !store.HasUnfinished()) {
        return report;
    }
    for (const Gesture& gesture : store.GesturesInState(kGestureRunning)) {
        if (!StillRunning(gesture.pid)) {
            SettleGesture(store, gesture, report);
        }
    }
    return report;
}

void RecoverBeforeCommand(Platform& platform) {
    const RecoveryReport report = RecoverInterrupted(JournalStore::Shared());
    if (report.Empty()) {
        return;
    }
    for (const QString& line : report.settled + report.attention) {
        Log(QStringLiteral("Ferrolet: %1").arg(line));
    }
    platform.Notify(QStringLiteral("Ferrolet settled what was interrupted"),
                    (report.attention + report.settled).join(QLatin1Char('\n')));
}

QString RecoveryText(const RecoveryReport& report) {
    if (report.Empty()) {
        return QStringLiteral("Nothing was left unfinished.\n");
    }
    return (report.settled + report.attention).join(QLatin1Char('\n')) + QLatin1Char('\n');
}

} // namespace ferrolet
