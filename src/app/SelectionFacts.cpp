#include "SelectionFacts.h"

#include "DestinationChecks.h"
#include "items/ScopedFd.h"

#include <fcntl.h>
#include <fts.h>
#include <sys/stat.h>

namespace ferrolet {

namespace {

using Clock = std::chrono::steady_clock;

// The bytes of the regular files under folder, never following a link;
// false when the deadline came first (bytes then holds what was counted).
bool AddFolderBytes(const std::string& folder, Clock::time_point deadline, uint64_t& bytes) {
    std::string path = folder;
    char* const roots[] = {path.data(), nullptr};
    FTS* walk = fts_open(roots, FTS_PHYSICAL | FTS_NOCHDIR, nullptr);
    if (!walk) {
        return true; // unreadable: nothing to count
    }
    bool complete = true;
    while (FTSENT* entry = fts_read(walk)) {
        if (entry->fts_info == FTS_F) {
            bytes += static_cast<uint64_t>(entry->fts_statp->st_size);
        }
        if (Clock::now() >= deadline) {
            complete = false;
            break;
        }
    }
    fts_close(walk);
    return complete;
}

// lstat through the item's parent folder, kept open while the items share
// it (they usually do: one file-manager window), so each path is walked once.
class ItemStat {
public:
    bool Stat(const FileRef& ref, struct stat& st) {
        const std::string parent = ref.ParentPath();
        if (parent != m_parent) {
            m_parent = parent;
            m_fd = ScopedFd(open(parent.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
        }
        if (!m_fd.IsOpen()) {
            return false;
        }
        return fstatat(m_fd.Get(), ref.Name().c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
               st.st_dev == ref.Device() && st.st_ino == ref.Inode();
    }

private:
    std::string m_parent;
    ScopedFd m_fd;
};

} // namespace

SelectionFacts GatherSelectionFacts(const SelectionSnapshot& selection,
                                    std::chrono::milliseconds walkBudget) {
    SelectionFacts facts;
    const Clock::time_point deadline = Clock::now() + walkBudget;
    ItemStat stat;
    for (const FileRef& ref : selection.items) {
        struct stat st {};
        if (ref.IsNull() || ref.Name().empty() || !stat.Stat(ref, st)) {
            continue; // invalid slots take no part in any command
        }
        SelectedItemFacts item{ref.Path(), ref.Name(), st.st_dev, st.st_ino, S_ISDIR(st.st_mode)};
        uint64_t bytes = S_ISREG(st.st_mode) ? static_cast<uint64_t>(st.st_size) : 0;
        if (item.isFolder && facts.sizesComplete) {
            // Once out of time, later folders count as empty: a floor.
            facts.sizesComplete = AddFolderBytes(item.path, deadline, bytes);
        }
        AddSelectedItem(facts, std::move(item), bytes);
    }
    return facts;
}

} // namespace ferrolet
