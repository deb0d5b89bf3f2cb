#include "fileops/engine/MoveBatch.h"

#include "fileops/engine/EngineSteps.h"
#include "fileops/engine/SourceRemoval.h"
#include "items/ItemAccess.h"
#include "journal/GestureRecorder.h"

#include <map>
#include <utility>

namespace ferrolet {

namespace {

thread_local MoveBatch* t_current = nullptr;

// The entries a copy recorded, counted without a call per level.
size_t CountEntries(const CopiedEntry& top) {
    size_t count = 0;
    std::vector<const CopiedEntry*> stack{&top};
    while (!stack.empty()) {
        const CopiedEntry* entry = stack.back();
        stack.pop_back();
        ++count;
        for (const CopiedEntry& child : entry->children) {
            stack.push_back(&child);
        }
    }
    return count;
}

// Makes one destination's file system durable: data and names of every copy
// placed on it.
Status FlushDestination(int destination, const std::string& copyName) {
    if (MoveBatch::beforeFlush) {
        if (const Status injected = MoveBatch::beforeFlush(); injected != 0) {
            return injected;
        }
    }
    return MakeDurable(destination, copyName);
}

// The journal steps of moves, by the recorder of their gesture, reaching
// state in one transaction per gesture.
void ReachTogether(const std::vector<std::pair<GestureRecorder*, int64_t>>& steps,
                   StepState state) {
    std::map<GestureRecorder*, std::vector<int64_t>> byGesture;
    for (const auto& [recorder, step] : steps) {
        if (recorder && step != 0) {
            byGesture[recorder].push_back(step);
        }
    }
    for (const auto& [recorder, ids] : byGesture) {
        recorder->ReachSteps(ids, state);
    }
}

} // namespace

std::function<Status()> MoveBatch::beforeFlush;

MoveBatch::MoveBatch(FailureSink failed) : m_failed(std::move(failed)), m_previous(t_current) {
    t_current = this;
}

MoveBatch::~MoveBatch() {
    Flush();
    t_current = m_previous;
}

MoveBatch* MoveBatch::Current() {
    return t_current;
}

std::shared_ptr<ScopedFd> MoveBatch::ShareFolder(ScopedFd fd, const struct stat& info,
                                                 bool source) {
    std::shared_ptr<ScopedFd>& last = source ? m_lastSourceFd : m_lastDestinationFd;
    struct stat& lastInfo = source ? m_lastSource : m_lastDestination;
    if (!last || !SameInode(lastInfo, info)) {
        last = std::make_shared<ScopedFd>(std::move(fd));
        lastInfo = info;
        ++m_folders;
    }
    return last;
}

void MoveBatch::Add(Move move) {
    Pending pending;
    pending.sourceFolder = ShareFolder(std::move(move.sourceFolder), move.sourceFolderInfo, true);
    pending.destination = ShareFolder(std::move(move.destination), move.destinationInfo, false);
    pending.destinationDevice = move.destinationInfo.st_dev;
    m_entries += CountEntries(move.record);
    m_bytes += move.bytes;
    pending.record = std::move(move.record);
    pending.sourcePath = std::move(move.sourcePath);
    pending.copyPath = std::move(move.copyPath);
    pending.copyName = std::move(move.copyName);
    pending.placed = move.placed;
    pending.recorder = move.recorder;
    pending.step = move.step;
    m_pending.push_back(std::move(pending));
    if (m_pending.size() >= kMaxItems || m_bytes >= kMaxBytes || m_entries >= kMaxEntries ||
        m_folders >= kMaxFolders) {
        Flush();
    }
}

bool MoveBatch::HoldsSource(dev_t device, ino_t inode) const {
    for (const Pending& pending : m_pending) {
        if (pending.record.device == device && pending.record.inode == inode) {
            return true;
        }
    }
    return false;
}

// One flush per destination file system; flushed[i] is what the flush of
// move i's file system said.
Status MoveBatch::FlushDestinations(std::vector<Pending>& moves, std::vector<Status>& flushed) {
    std::map<dev_t, Status> byDevice;
    Status first = 0;
    for (const Pending& move : moves) {
        if (byDevice.count(move.destinationDevice) == 0) {
            const Status status = FlushDestination(move.destination->Get(), move.copyName);
            byDevice[move.destinationDevice] = status;
            first = first != 0 ? first : status;
        }
        flushed.push_back(byDevice[move.destinationDevice]);
    }
    return first;
}

void MoveBatch::Tell(const Pending& move, Status status, bool copyKept) const {
    if (m_failed) {
        m_failed(move.sourcePath, move.copyPath, status, copyKept);
    }
}

// After the flush: each source goes if it is still what was copied. One
// that cannot go untouched takes its copy back, so there are not two of it;
// a partly removed one leaves the copy, which holds everything.
void MoveBatch::RemoveSources(std::vector<Pending>& moves, const std::vector<Status>& flushed) {
    std::vector<std::pair<GestureRecorder*, int64_t>> done;
    std::vector<std::pair<GestureRecorder*, int64_t>> failed;
    for (size_t i = 0; i < moves.size(); ++i) {
        Pending& move = moves[i];
        if (flushed[i] != 0) {
            failed.emplace_back(move.recorder, move.step);
            Tell(move, flushed[i], true);
            continue;
        }
        bool removedAny = false;
        const Status status =
            RemoveCopiedSource(move.sourceFolder->Get(), move.record, &removedAny);
        if (status == 0) {
            done.emplace_back(move.recorder, move.step);
            continue;
        }
        bool kept = true;
        if (!removedAny &&
            IdentityAt(move.destination->Get(), move.copyName).Matches(move.placed)) {
            kept = RemoveOwnTreeAt(move.destination->Get(), move.copyName) != 0;
        }
        (removedAny ? done : failed).emplace_back(move.recorder, move.step);
        Tell(move, status, kept);
    }
    ReachTogether(done, StepState::Done);
    ReachTogether(failed, StepState::Failed);
}

Status MoveBatch::Flush() {
    if (m_pending.empty()) {
        return 0;
    }
    std::vector<Pending> moves = std::move(m_pending);
    m_pending.clear();
    m_bytes = 0;
    m_entries = 0;
    m_folders = 0;
    m_lastSourceFd.reset();
    m_lastDestinationFd.reset();
    // What was placed is on record before the flush: a crash during it
    // leaves steps that recovery settles without removing a source.
    for (const Pending& move : moves) {
        if (move.recorder) {
            move.recorder->Commit();
        }
    }
    std::vector<Status> flushed;
    const Status status = FlushDestinations(moves, flushed);
    std::vector<std::pair<GestureRecorder*, int64_t>> durable;
    for (size_t i = 0; i < moves.size(); ++i) {
        if (flushed[i] == 0) {
            durable.emplace_back(moves[i].recorder, moves[i].step);
        }
    }
    // Recorded before any source goes: recovery may finish these.
    ReachTogether(durable, StepState::Flushed);
    RemoveSources(moves, flushed);
    return status;
}

} // namespace ferrolet
