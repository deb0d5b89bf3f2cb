#include "history/Undo.h"

#include "fileops/commands/CommandRun.h"
#include "fileops/commands/CutStateFile.h"
#include "fileops/commands/HeldProvenance.h"
#include "fileops/engine/FileEngine.h"
#include "history/PathParts.h"
#include "history/Trash.h"
#include "items/ItemAccess.h"
#include "items/ItemNames.h"
#include "items/ScopedFd.h"
#include "items/UniqueName.h"
#include "journal/GestureRecorder.h"
#include "journal/JournalStore.h"

#include <QDateTime>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet {

namespace {

// Not an errno: the item is no longer what the gesture left.
constexpr Status kChangedSince = -1;

QString BaseTitle(const QString& title) {
    for (const QLatin1String prefix : {QLatin1String("Undo "), QLatin1String("Redo ")}) {
        if (title.startsWith(prefix)) {
            return title.mid(prefix.size());
        }
    }
    return title;
}

Status MoveBack(CommandContext& ctx, const JournalStep& step, const ItemIdentity& now) {
    FileRef folder;
    if (Status status = FileRef::FromPath(ParentPathOf(step.from), folder, FileRef::Leaf::Follow);
        status != 0) {
        return status;
    }
    std::string name = NamePartOf(step.from);
    struct stat taken {};
    if (lstat(step.from.c_str(), &taken) == 0) {
        name = UniqueNameFromName(name, NewUUIDString());
    }
    const FileRef item = FileRef::Make(step.to, now.device, now.inode);
    FileRef moved;
    return MoveObject(item, folder, &name, &moved, ctx.progress);
}

Status Trash(const std::string& path) {
    TrashedItem trashed;
    if (Status status = MoveToTrash(path, trashed); status != 0) {
        return status;
    }
    RecordDoneStep(StepKind::Trash, path, trashed.trashedPath,
                   IdentityAt(AT_FDCWD, trashed.trashedPath), trashed.infoPath);
    return 0;
}

Status Restore(const JournalStep& step) {
    std::string restored;
    if (Status status = RestoreFromTrash({step.to, step.partial}, step.from, &restored);
        status != 0) {
        return status;
    }
    RecordDoneStep(StepKind::Untrash, step.to, restored, IdentityAt(AT_FDCWD, restored),
                   step.partial);
    return 0;
}

Status UndoStep(CommandContext& ctx, const JournalStep& step) {
    const ItemIdentity now = IdentityAt(AT_FDCWD, step.to);
    if (!now.Matches(step.identity)) {
        return kChangedSince;
    }
    switch (step.kind) {
    case StepKind::Move:
    case StepKind::CrossMove:
        return MoveBack(ctx, step, now);
    case StepKind::Copy:
    case StepKind::Made:
    case StepKind::Untrash:
        return Trash(step.to);
    case StepKind::Trash:
        return Restore(step);
    case StepKind::Partial:
        break;
    }
    return 0;
}

bool InHoldingFolder(const std::string& path) {
    return IsHoldingFolderName(NamePartOf(ParentPathOf(path)));
}

// Held items that went back to where they were cut from leave an empty
// holding folder, and a pasted item that came back is held again: the
// pending cut follows what is in the holding folders now.
void FollowHeldItems(CommandContext& ctx) {
    // A holding folder that holds nothing but its own description goes.
    ScopedFd holding;
    std::vector<std::string> names;
    if (ctx.cut.pending && OpenFolderRef(ctx.cut.holdingFolder, holding, true) == 0 &&
        ListEntryNames(holding.Get(), names) == 0 &&
        (names.empty() || (names.size() == 1 && names[0] == kHeldProvenanceName))) {
        unlinkat(holding.Get(), kHeldProvenanceName, 0);
        rmdir(ctx.cut.holdingFolder.Path().c_str());
        ctx.cut.pending = false;
        SaveCutState(ctx.cut);
    }
    LoadCutState(ctx.cut);
}

} // namespace

bool CanUndo(const Gesture& gesture) {
    return gesture.state != QLatin1String(kGestureRunning) &&
           gesture.state != QLatin1String(kGestureUndone);
}

QString UndoLabel(const Gesture& gesture) {
    const bool isUndo = gesture.undoOf != 0 && gesture.title.startsWith(QLatin1String("Undo "));
    return (isUndo ? QStringLiteral("Redo ") : QStringLiteral("Undo ")) + BaseTitle(gesture.title);
}

std::vector<Gesture> GestureHistory(JournalStore& store, int count) {
    if (!store.Exists()) {
        return {};
    }
    return store.Recent(count);
}

std::optional<Gesture> GestureToUndo(JournalStore& store, int n) {
    const std::vector<Gesture> history = GestureHistory(store, n > 0 ? n : 50);
    if (n > 0) {
        return static_cast<int>(history.size()) >= n ? std::optional<Gesture>(history[n - 1])
                                                     : std::nullopt;
    }
    for (const Gesture& gesture : history) {
        if (CanUndo(gesture)) {
            return gesture;
        }
    }
    return std::nullopt;
}

int UndoGesture(CommandContext& ctx, JournalStore& store, const Gesture& gesture) {
    CommandRunScope run(ctx, QStringLiteral("Undo"), QStringLiteral("undone"));
    if (GestureRecorder* recorder = GestureRecorder::Current()) {
        recorder->SetTitle(UndoLabel(gesture));
        recorder->SetUndoOf(gesture.id);
    }
    // Taken back last first.
    std::vector<JournalStep> steps = store.StepsOf(gesture.id);
    std::reverse(steps.begin(), steps.end());
    int undone = 0;
    bool held = false;
    for (const JournalStep& step : steps) {
        if (step.state != StepState::Done || step.internal || step.kind == StepKind::Partial) {
            continue;
        }
        NoteItems(ctx, 1);
        held = held || InHoldingFolder(step.from) || InHoldingFolder(step.to);
        const Status status = UndoStep(ctx, step);
        if (status == kChangedSince) {
            run.Report().AddFailure(Quoted(step.to),
                                    QStringLiteral("it was changed or moved since"));
        } else if (status != 0) {
            NoteFailure(ctx, Quoted(step.to), status);
        } else {
            ++undone;
        }
    }
    if (held) {
        FollowHeldItems(ctx);
    }
    if (undone > 0) {
        store.MarkGesture(gesture.id, kGestureUndone);
    }
    return undone;
}

QString HistoryText(JournalStore& store) {
    QString text;
    int number = 0;
    for (const Gesture& gesture : GestureHistory(store, kHistoryMenuLength)) {
        const QString when = QDateTime::fromSecsSinceEpoch(gesture.started)
                                 .toString(QStringLiteral("yyyy-MM-dd HH:mm"));
        text += QStringLiteral("%1\t%2\t%3\t%4\n")
                    .arg(++number)
                    .arg(when, gesture.state, gesture.title);
    }
    return text.isEmpty() ? QStringLiteral("No gestures recorded yet.\n") : text;
}

} // namespace ferrolet
