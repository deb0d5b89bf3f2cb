#pragma once

#include "fileops/engine/CopyEngine.h"
#include "items/ScopedFd.h"
#include "journal/ItemIdentity.h"
#include "util/Status.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ferrolet {

class GestureRecorder;

// Moves to another file system whose sources wait for one flush. Making each
// copy durable on its own costs a syncfs per item (milliseconds each, most of
// a small file's move); a batch places its copies one after another, flushes
// the destination's file system once, records the whole batch as flushed in
// one journal transaction, and only then removes the sources, each only if
// it is still what was copied. Until the flush every source is whole, so a
// crash loses nothing: recovery keeps both unless it proves the copy equal.
//
// While one lives on a thread, the file engine's moves across file systems
// on that thread go into it (FileEngine.h). It flushes itself after
// kMaxItems items, kMaxBytes bytes or kMaxEntries entries, when asked, and
// when it ends, so a crash strands little and progress stays honest.
class MoveBatch {
public:
    static constexpr size_t kMaxItems = 500;
    static constexpr uint64_t kMaxBytes = uint64_t{256} << 20;
    static constexpr size_t kMaxEntries = 100000;
    // Folder descriptors held for the batch's sources and destinations.
    static constexpr size_t kMaxFolders = 64;

    // A move the flush could not finish: its source path, the path of its
    // copy, the errno value, and whether the copy stays (a failed flush
    // keeps both; a source that cannot go takes its copy back unless part of
    // it is gone already).
    using FailureSink = std::function<void(
        const std::string& sourcePath, const std::string& copyPath, Status status, bool copyKept)>;

    explicit MoveBatch(FailureSink failed);
    // Flushes what is pending.
    ~MoveBatch();
    MoveBatch(const MoveBatch&) = delete;
    MoveBatch& operator=(const MoveBatch&) = delete;

    // The batch of this thread's run, or null.
    static MoveBatch* Current();

    // A complete copy, placed under its name, whose source is to go.
    struct Move {
        ScopedFd sourceFolder;
        struct stat sourceFolderInfo {};
        ScopedFd destination;
        struct stat destinationInfo {};
        CopiedEntry record;
        std::string sourcePath;
        std::string copyPath;
        std::string copyName;
        ItemIdentity placed;
        uint64_t bytes = 0;
        GestureRecorder* recorder = nullptr;
        int64_t step = 0; // the journal step, handed over by the engine
    };
    // Takes the move; flushes when the batch is full.
    void Add(Move move);
    // Whether an item (by device and inode) waits in the batch as a source.
    bool HoldsSource(dev_t device, ino_t inode) const;
    // Flushes, records, and removes the pending sources; the flush's status
    // (the failures of single moves go to the failure sink).
    Status Flush();

    // Called before every flush; a status other than 0 stands for the
    // flush's own failure. Only tests set it, to inject faults.
    static std::function<Status()> beforeFlush;

private:
    struct Pending {
        std::shared_ptr<ScopedFd> sourceFolder;
        std::shared_ptr<ScopedFd> destination;
        dev_t destinationDevice = 0;
        CopiedEntry record;
        std::string sourcePath;
        std::string copyPath;
        std::string copyName;
        ItemIdentity placed;
        GestureRecorder* recorder = nullptr;
        int64_t step = 0;
    };
    std::shared_ptr<ScopedFd> ShareFolder(ScopedFd fd, const struct stat& info, bool source);
    Status FlushDestinations(std::vector<Pending>& moves, std::vector<Status>& flushed);
    void RemoveSources(std::vector<Pending>& moves, const std::vector<Status>& flushed);
    void Tell(const Pending& move, Status status, bool copyKept) const;

    FailureSink m_failed;
    MoveBatch* m_previous = nullptr;
    std::vector<Pending> m_pending;
    uint64_t m_bytes = 0;
    size_t m_entries = 0;
    size_t m_folders = 0;
    // The folders last shared, so items from one folder hold one descriptor.
    struct stat m_lastSource {};
    struct stat m_lastDestination {};
    std::shared_ptr<ScopedFd> m_lastSourceFd;
    std::shared_ptr<ScopedFd> m_lastDestinationFd;
};

} // namespace ferrolet
