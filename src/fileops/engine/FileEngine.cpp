#include "fileops/engine/FileEngine.h"

#include "fileops/engine/CopyEngine.h"
#include "fileops/engine/EngineSteps.h"
#include "fileops/engine/MoveBatch.h"
#include "fileops/engine/SourceRemoval.h"
#include "items/ItemAccess.h"
#include "journal/GestureRecorder.h"
#include "journal/ItemIdentity.h"

#include <cerrno>
#include <fcntl.h>
#include <tuple>
#include <unistd.h>

namespace ferrolet {

namespace {

// Everything a move or copy needs once its arguments have been checked.
struct Transfer {
    OpenedItem source;
    ScopedFd destination;
    struct stat destinationInfo {};
    std::string sourcePath;
    std::string destinationPath;
    std::string targetName;
};

Status PrepareTransfer(const FileRef& item, const FileRef& destinationFolder,
                       const std::string* newName, Transfer& out) {
    if (Status status = OpenItem(item, out.source); status != 0) {
        return status;
    }
    if (Status status = OpenDestination(destinationFolder, out.destination, out.destinationInfo);
        status != 0) {
        return status;
    }
    out.sourcePath = item.Path();
    out.destinationPath = destinationFolder.Path();
    out.targetName = newName ? *newName : out.source.name;
    if (Status status = CheckEntryName(out.targetName); status != 0) {
        return status;
    }
    if (S_ISDIR(out.source.info.st_mode)) {
        return RefuseMoveIntoItself(out.destination.Get(), out.source.info);
    }
    return 0;
}

bool TargetTaken(const Transfer& transfer) {
    struct stat st {};
    return fstatat(transfer.destination.Get(), transfer.targetName.c_str(), &st,
                   AT_SYMLINK_NOFOLLOW) == 0;
}

// Copies the source under a fresh hidden name in the destination, recorded
// in the journal as step before the first byte is written. On failure
// nothing of the copy remains.
Status CopyToHiddenName(const Transfer& transfer, CopyContext& context, CopiedEntry* record,
                        std::string& hiddenName, RecordedStep& step, StepKind kind) {
    if (Status status = MakeHiddenName(transfer.destination.Get(), hiddenName); status != 0) {
        return status;
    }
    step.Begin(kind, transfer.sourcePath, ChildPath(transfer.destinationPath, transfer.targetName),
               ChildPath(transfer.destinationPath, hiddenName));
    if (context.progress && context.progress->started) {
        context.progress->started(transfer.source.name,
                                  EntrySizeAt(transfer.source.folder.Get(), transfer.source.name));
    }
    bool created = false;
    Status status = CopyEntryAt(transfer.source.folder.Get(), transfer.source.name,
                                transfer.destination.Get(), hiddenName, context, record, &created);
    if (status == 0 && !context.Finish()) {
        status = ECANCELED;
    }
    if (status != 0 && created) {
        RemoveOwnTreeAt(transfer.destination.Get(), hiddenName);
    }
    return status;
}

// Puts a complete copy under its real name, or removes it.
Status PlaceCopy(const Transfer& transfer, const std::string& hiddenName) {
    const Status status =
        RenameWithoutReplacing(transfer.destination.Get(), hiddenName, transfer.destination.Get(),
                               transfer.targetName, S_ISDIR(transfer.source.info.st_mode));
    if (status != 0) {
        RemoveOwnTreeAt(transfer.destination.Get(), hiddenName);
    }
    return status;
}

// The source goes once the copy under its real name is durable: at once,
// with one flush of its own, or with the batch of this run's moves (one
// flush for them all).
Status FinishMoveAlone(const Transfer& transfer, const CopiedEntry& record, RecordedStep& step,
                       FileRef* newItem) {
    const int destination = transfer.destination.Get();
    if (Status durable = MakeDurable(destination, transfer.targetName); durable != 0) {
        RemoveOwnTreeAt(destination, transfer.targetName);
        return durable;
    }
    FileRef placedRef;
    ReferenceTo(transfer.destinationPath, destination, transfer.targetName, &placedRef);
    const ItemIdentity placedIdentity = IdentityAt(destination, transfer.targetName);
    step.Reach(StepState::Flushed, &placedIdentity);
    bool removedAny = false;
    const Status status = RemoveCopiedSource(transfer.source.folder.Get(), record, &removedAny);
    if (status != 0) {
        // Untouched source: take the copy back, so there are not two of it.
        // Partly removed source: the copy holds everything, so it stays.
        if (!removedAny && placedRef.IsValid()) {
            RemoveOwnTreeAt(destination, transfer.targetName);
        } else {
            step.Reach(StepState::Done);
        }
        return status;
    }
    step.Reach(StepState::Done);
    if (newItem) {
        *newItem = placedRef;
    }
    return 0;
}

// Leaves the source to the batch, which removes it after its one flush.
Status LeaveToBatch(MoveBatch& batch, Transfer& transfer, CopiedEntry& record, RecordedStep& step,
                    uint64_t bytes, FileRef* newItem) {
    const int destination = transfer.destination.Get();
    MoveBatch::Move move;
    move.placed = IdentityAt(destination, transfer.targetName);
    if (!move.placed.IsSet()) {
        return ENOENT; // the copy went at once: the source stays
    }
    // Committed with the next item's step, or before the batch's flush at
    // the latest: the source stays whole until after both.
    step.Reach(StepState::Placed, &move.placed, false);
    // The same look at the copy gives its reference.
    const FileRef placedRef = FileRef::Make(
        ChildPath(transfer.destinationPath, transfer.targetName),
        static_cast<dev_t>(move.placed.device), static_cast<ino_t>(move.placed.inode));
    if (fstat(transfer.source.folder.Get(), &move.sourceFolderInfo) != 0) {
        const Status status = LastErrnoStatus();
        RemoveOwnTreeAt(destination, transfer.targetName);
        return status;
    }
    std::tie(move.recorder, move.step) = step.HandOver();
    move.sourceFolder = std::move(transfer.source.folder);
    move.destination = std::move(transfer.destination);
    move.destinationInfo = transfer.destinationInfo;
    move.record = std::move(record);
    move.sourcePath = transfer.sourcePath;
    move.copyPath = ChildPath(transfer.destinationPath, transfer.targetName);
    move.copyName = transfer.targetName;
    move.bytes = bytes;
    batch.Add(std::move(move));
    if (newItem) {
        *newItem = placedRef;
    }
    return 0;
}

Status MoveAcrossFileSystems(Transfer& transfer, FileRef* newItem, const ProgressSink* progress) {
    MoveBatch* batch = MoveBatch::Current();
    if (batch && batch->HoldsSource(transfer.source.info.st_dev, transfer.source.info.st_ino)) {
        batch->Flush(); // the item listed twice: its first move is finished first
        return ENOENT;
    }
    if (TargetTaken(transfer)) {
        return EEXIST; // before copying gigabytes for nothing
    }
    CopyContext context;
    context.progress = progress;
    context.recordSource = true;
    CopiedEntry record;
    std::string hiddenName;
    RecordedStep step;
    if (Status status =
            CopyToHiddenName(transfer, context, &record, hiddenName, step, StepKind::CrossMove);
        status != 0) {
        return status;
    }
    // The source may only go when it is still what was copied and all of it
    // can be removed; and the copy, under its real name, must be on disk
    // first. One flush makes both the data and the name durable, and it is
    // bought once for a whole batch of moves when the run keeps one.
    if (Status status = CheckSourceRemovable(transfer.source.folder.Get(), record); status != 0) {
        RemoveOwnTreeAt(transfer.destination.Get(), hiddenName);
        return status;
    }
    if (!batch) {
        step.Reach(StepState::Copied); // a batch's step goes straight to placed
    }
    if (Status placed = PlaceCopy(transfer, hiddenName); placed != 0) {
        return placed;
    }
    if (batch) {
        return LeaveToBatch(*batch, transfer, record, step, context.bytesDone, newItem);
    }
    return FinishMoveAlone(transfer, record, step, newItem);
}

} // namespace

Status MoveObject(const FileRef& item, const FileRef& destinationFolder, const std::string* newName,
                  FileRef* newItem, const ProgressSink* progress) {
    Transfer transfer;
    if (Status status = PrepareTransfer(item, destinationFolder, newName, transfer); status != 0) {
        return status;
    }
    const Status renamed = RenameWithoutReplacing(
        transfer.source.folder.Get(), transfer.source.name, transfer.destination.Get(),
        transfer.targetName, S_ISDIR(transfer.source.info.st_mode));
    if (renamed == EXDEV) {
        return MoveAcrossFileSystems(transfer, newItem, progress);
    }
    if (renamed != 0) {
        return renamed;
    }
    RecordDoneStep(StepKind::Move, transfer.sourcePath,
                   ChildPath(transfer.destinationPath, transfer.targetName),
                   IdentityOf(transfer.source.info));
    // A rename keeps the item's identity; only its path changes.
    if (newItem) {
        *newItem = FileRef::Make(ChildPath(transfer.destinationPath, transfer.targetName),
                                 transfer.source.info.st_dev, transfer.source.info.st_ino);
    }
    return 0;
}

Status CopyObject(const FileRef& item, const FileRef& destinationFolder, const std::string* newName,
                  FileRef* newItem, const ProgressSink* progress) {
    Transfer transfer;
    if (Status status = PrepareTransfer(item, destinationFolder, newName, transfer); status != 0) {
        return status;
    }
    if (TargetTaken(transfer)) {
        return EEXIST;
    }
    CopyContext context;
    context.progress = progress;
    std::string hiddenName;
    RecordedStep step;
    if (Status status =
            CopyToHiddenName(transfer, context, nullptr, hiddenName, step, StepKind::Copy);
        status != 0) {
        return status;
    }
    if (Status status = PlaceCopy(transfer, hiddenName); status != 0) {
        return status;
    }
    const ItemIdentity copyIdentity = IdentityAt(transfer.destination.Get(), transfer.targetName);
    step.Reach(StepState::Done, &copyIdentity);
    return ReferenceTo(transfer.destinationPath, transfer.destination.Get(), transfer.targetName,
                       newItem);
}

Status DeleteObject(const FileRef& item) {
    OpenedItem opened;
    if (Status status = OpenItem(item, opened); status != 0) {
        return status;
    }
    const int flags = S_ISDIR(opened.info.st_mode) ? AT_REMOVEDIR : 0;
    if (unlinkat(opened.folder.Get(), opened.name.c_str(), flags) != 0) {
        return LastErrnoStatus();
    }
    return 0;
}

} // namespace ferrolet
