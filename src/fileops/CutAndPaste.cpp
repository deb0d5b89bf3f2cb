#include "CutAndPaste.h"

#include "CutStateFile.h"
#include "FileEngine.h"
#include "FolderItems.h"
#include "ItemKinds.h"
#include "ItemNames.h"
#include "MoveItem.h"
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
    if (status == errFSNoMoreItems || status == fnfErr) {
        return false;
    }
    return status != noErr || !VisibleHeldItems(children).empty();
}

void SaveOrLog(const CutState& cut) {
    if (const Status status = SaveCutState(cut); status != noErr) {
        Log(QStringLiteral("Ferrolet: The pending cut could not be saved. Error code = %1")
                .arg(status));
    }
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
    if (ctx.cut.pending) {
        ctx.platform.Beep();
        return;
    }
    if (!ctx.selection.hasArray || ctx.selection.items.empty() ||
        !ctx.selection.items.front().IsValid()) {
        return;
    }
    const std::vector<FileRef> items = ctx.selection.items;
    const std::string stateDirectory = StateDirectory();
    FileRef stateFolder;
    if (stateDirectory.empty() || FileRef::FromPath(stateDirectory, stateFolder) != noErr) {
        return;
    }
    CutState next;
    if (FindOrCreateFolder(stateFolder, NewUUIDString(), next.holdingFolder) != noErr) {
        return;
    }
    // Only the first item's folder is remembered: every item that cannot be
    // pasted returns there.
    if (GetParentFolderRef(items.front(), next.originFolder) != noErr) {
        next.originFolder = FileRef();
    }
    next.pending = true;
    // On disk before anything moves: a crash halfway leaves the held items
    // reachable by Paste after the next start.
    if (SaveCutState(next) != noErr) {
        Log(QStringLiteral("Ferrolet: The pending cut could not be saved; nothing was cut."));
        DeleteObject(next.holdingFolder);
        ctx.platform.Beep();
        return;
    }

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
        if (MoveItem(ctx, item, next.holdingFolder, &moved) == noErr) {
            ++held;
        }
    }
    if (held == 0) {
        // Nothing is held: no cut to paste, and the empty folder can go.
        DeleteObject(next.holdingFolder);
        SaveOrLog(ctx.cut);
        return;
    }
    ctx.cut = next;
}

void PasteItems(CommandContext& ctx) {
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
    if (listed != noErr) {
        // Gone (deleted by hand) or empty: nothing is held any more. Any other
        // failure keeps the cut, as its items may still be there.
        if (listed == fnfErr || listed == errFSNoMoreItems || listed == paramErr) {
            ctx.cut.pending = false;
            SaveOrLog(ctx.cut);
        }
        return;
    }

    for (const FileRef& child : VisibleHeldItems(children)) {
        if (MoveItem(ctx, child, target, nullptr) == noErr) {
            continue;
        }
        if (const std::optional<std::string> name = CopyItemName(child)) {
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
}

} // namespace ferrolet
