#include "fileops/commands/CutAndPaste.h"

#include "fileops/commands/CommandRun.h"
#include "fileops/commands/CutStateFile.h"
#include "fileops/commands/CutStateLock.h"
#include "fileops/commands/HeldProvenance.h"
#include "fileops/commands/MoveItem.h"
#include "fileops/engine/FileEngine.h"
#include "items/FolderItems.h"
#include "items/ItemKinds.h"
#include "items/ItemNames.h"
#include "items/StateFolder.h"
#include "platform/FolderRecord.h"
#include "util/AppPaths.h"
#include "util/Log.h"

namespace ferrolet {

namespace {

// The items of the holding folder that Paste moves: every child still there
// that a file manager shows.
std::vector<FileRef> VisibleHeldItems(const std::vector<FileRef>& children) {
    std::vector<FileRef> visible;
    for (const FileRef& child : children) {
        if (child.IsValid() && !IsHiddenItem(child)) {
            visible.push_back(child);
        }
    }
    return visible;
}

// Whether the holding folder still holds something Paste would move. When it
// cannot be read the answer is yes, so its items are never given up.
bool HoldsVisibleItems(const FileRef& holdingFolder) {
    std::vector<FileRef> children;
    const Status status = ListFolderItems(holdingFolder, children);
    if (status == ENODATA || status == ENOENT) {
        return false;
    }
    return status != 0 || !VisibleHeldItems(children).empty();
}

void SaveOrLog(const CutState& cut) {
    if (const Status status = SaveCutState(cut); status != 0) {
        Log(QStringLiteral("Ferrolet: The pending cut could not be saved. Error code = %1")
                .arg(status));
    }
}

const QString kCutFailureLine =
    QStringLiteral("Ferrolet: An error occurred cutting a folder or file. Error code = %1");

// A cut that cannot start: logged, with a beep, and every item named in the
// run's report, since none of them moved.
void ReportCutNotStarted(CommandContext& ctx, const std::vector<FileRef>& items, Status status) {
    Log(kCutFailureLine.arg(status));
    ctx.platform.Beep();
    for (const FileRef& item : items) {
        NoteFailure(ctx, NameForReport(item), status);
    }
}

// What the holding folder records about itself before anything moves in.
HeldProvenance ProvenanceOf(const std::vector<FileRef>& items, const FileRef& originFolder) {
    HeldProvenance provenance;
    if (!originFolder.IsNull()) {
        MakeFolderRecord(originFolder, provenance.originRecord);
    }
    provenance.time = QDateTime::currentDateTimeUtc();
    for (const FileRef& item : items) {
        provenance.items.push_back(item.Name());
    }
    return provenance;
}

// Makes a new holding folder in the state folder, records in it where its
// items come from, and saves the pending cut that names it, with the folder
// of the first item to return items to. The status of what failed, with
// nothing left behind.
Status StartPendingCut(const FileRef& stateFolder, const std::vector<FileRef>& items,
                       CutState& next) {
    if (const Status status = FindOrCreateFolder(stateFolder, NewUUIDString(), next.holdingFolder);
        status != 0) {
        return status;
    }
    // Only the first item's folder is remembered: every item that cannot be
    // pasted returns there.
    if (GetParentFolderRef(items.front(), next.originFolder) != 0) {
        next.originFolder = FileRef();
    }
    next.pending = true;
    // On disk before anything moves: a crash halfway leaves the held items
    // reachable by Paste after the next start.
    Status status = WriteHeldProvenance(next.holdingFolder, ProvenanceOf(items, next.originFolder));
    if (status == 0) {
        status = SaveCutState(next);
    }
    if (status != 0) {
        Log(QStringLiteral("Ferrolet: The pending cut could not be saved; nothing was cut."));
        RemoveHoldingFolderIfEmpty(next.holdingFolder);
    }
    return status;
}

// Under the pending-cut lock: reads the pending cut as it is on disk now
// (another process may have cut meanwhile), and when none is pending starts
// this one. EBUSY when a cut is pending.
Status ClaimPendingCut(CommandContext& ctx, const std::vector<FileRef>& items, CutState& next) {
    FileRef stateFolder;
    if (const Status status = UsableStateFolder(stateFolder); status != 0) {
        return status;
    }
    const CutStateLock lock;
    if (!lock.Acquired()) {
        return lock.Status();
    }
    CutState onDisk;
    if (LoadCutState(onDisk) == 0 && onDisk.pending) {
        ctx.cut = onDisk;
    }
    if (ctx.cut.pending) {
        return EBUSY;
    }
    return StartPendingCut(stateFolder, items, next);
}

// The pending cut as it is on disk now, read under the pending-cut lock:
// a long-running tray read it at start, and a Cut or Paste in another
// process since then must be seen, or this process would paste nothing, or
// mark a cut done that is not its own. Unreadable, ctx.cut stays as it was.
void ReloadPendingCut(CommandContext& ctx) {
    const CutStateLock lock;
    CutState onDisk;
    if (lock.Acquired() && LoadCutState(onDisk) == 0) {
        ctx.cut = onDisk;
    }
}

// Moves the items into the holding folder; the number now held there.
int MoveIntoHoldingFolder(CommandContext& ctx, const std::vector<FileRef>& items,
                          const FileRef& holdingFolder) {
    int held = 0;
    for (const FileRef& item : items) {
        if (!item.IsValid()) {
            continue;
        }
        // Paste leaves hidden items in the holding folder (file managers put
        // their own there), so an item with a hidden name would be stranded:
        // it is not cut at all.
        if (const std::string name = item.Name(); !name.empty() && name.front() == '.') {
            Log(QStringLiteral("Ferrolet: \"%1\" has a hidden name and was not cut.")
                    .arg(QString::fromUtf8(name)));
            ctx.platform.Beep();
            continue;
        }
        FileRef moved;
        if (const Status status = MoveItem(ctx, item, holdingFolder, &moved); status != 0) {
            NoteFailure(ctx, NameForReport(item), status);
        } else {
            ++held;
        }
    }
    return held;
}

} // namespace

bool IsPasteTarget(const SelectionSnapshot& selection) {
    if (!selection.hasArray || selection.count != 1 || selection.items.size() != 1) {
        return false;
    }
    const FileRef& item = selection.items.front();
    return item.IsValid() && IsPlainFolder(item);
}

void CutItems(CommandContext& ctx) {
    CommandRunScope run(ctx, QStringLiteral("Cut Items"), QStringLiteral("cut"));
    if (ctx.cut.pending) {
        ctx.platform.Beep();
        return;
    }
    if (!ctx.selection.hasArray || ctx.selection.items.empty()) {
        NoteNothingSelected(ctx);
        return;
    }
    if (!ctx.selection.items.front().IsValid()) {
        return;
    }
    const std::vector<FileRef> items = ctx.selection.items;
    NoteItems(ctx, static_cast<int>(items.size()));
    CutState next;
    if (const Status status = ClaimPendingCut(ctx, items, next); status == EBUSY) {
        // Another cut is pending (maybe made by another process just now):
        // refused as the greyed menu item would be.
        ctx.platform.Beep();
        return;
    } else if (status != 0) {
        ReportCutNotStarted(ctx, items, status);
        return;
    }
    if (MoveIntoHoldingFolder(ctx, items, next.holdingFolder) == 0) {
        // Nothing is held: no cut to paste, and the empty folder can go.
        RemoveHoldingFolderIfEmpty(next.holdingFolder);
        SaveOrLog(ctx.cut);
        return;
    }
    ctx.cut = next;
}

void PasteItems(CommandContext& ctx) {
    CommandRunScope run(ctx, QStringLiteral("Paste Items"), QStringLiteral("pasted"));
    ReloadPendingCut(ctx);
    if (!ctx.cut.pending) {
        ctx.platform.Beep();
        return;
    }
    // A selection that is not one plain folder pastes nothing and keeps the
    // cut, so the held items are not stranded.
    if (!IsPasteTarget(ctx.selection)) {
        return;
    }
    const FileRef target = ctx.selection.items.front();

    std::vector<FileRef> children;
    const Status listed = ListFolderItems(ctx.cut.holdingFolder, children);
    if (listed != 0) {
        // Gone (deleted by hand) or empty: nothing is held any more. Any other
        // failure keeps the cut, as its items may still be there.
        if (listed == ENOENT || listed == ENODATA || listed == EINVAL) {
            ctx.cut.pending = false;
            SaveOrLog(ctx.cut);
        }
        return;
    }

    const std::vector<FileRef> held = VisibleHeldItems(children);
    NoteItems(ctx, static_cast<int>(held.size()));
    run.Report().destination = QString::fromUtf8(target.Name());
    for (const FileRef& child : held) {
        // A cancelled paste leaves the rest held, to be pasted again.
        const int reached = static_cast<int>(&child - held.data());
        if (!NextItem(ctx, reached, child.Name())) {
            break;
        }
        const Status status = MoveItem(ctx, child, target, nullptr);
        if (status == 0) {
            continue;
        }
        if (CancelledDuring(ctx, status, reached)) {
            break;
        }
        NoteFailure(ctx, NameForReport(child), status);
        if (const std::optional<std::string> name = ItemFileName(child)) {
            Log(QStringLiteral("The file \"%1\" could not be moved and will be put back in its "
                               "original folder.")
                    .arg(QString::fromUtf8(*name)));
        }
        MoveItem(ctx, child, ctx.cut.originFolder, nullptr);
    }

    // What could go neither to the target nor back stays held, and the cut
    // stays pending so it can be pasted again.
    ctx.cut.pending = HoldsVisibleItems(ctx.cut.holdingFolder);
    SaveOrLog(ctx.cut);
    if (!ctx.cut.pending) {
        // Emptied: the folder and its provenance are our own clutter.
        RemoveHoldingFolderIfEmpty(ctx.cut.holdingFolder);
    }
}

} // namespace ferrolet
