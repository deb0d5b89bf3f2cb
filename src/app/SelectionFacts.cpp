#include "SelectionFacts.h"

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

} // namespace

SelectionFacts GatherSelectionFacts(const SelectionSnapshot& selection,
                                    std::chrono::milliseconds walkBudget) {
    SelectionFacts facts;
    facts.items.reserve(selection.items.size());
    const Clock::time_point deadline = Clock::now() + walkBudget;
    for (const FileRef& ref : selection.items) {
        struct stat st {};
        if (ref.IsNull() || lstat(ref.Path().c_str(), &st) != 0 || st.st_dev != ref.Device() ||
            st.st_ino != ref.Inode()) {
            continue; // invalid slots take no part in any command
        }
        SelectedItemFacts item{ref.Path(), ref.Name(), st.st_dev, st.st_ino, S_ISDIR(st.st_mode)};
        uint64_t& bytes = facts.bytesByDevice[st.st_dev];
        if (S_ISREG(st.st_mode)) {
            bytes += static_cast<uint64_t>(st.st_size);
        } else if (item.isFolder && facts.sizesComplete) {
            // Once out of time, later folders count as empty: a floor.
            facts.sizesComplete = AddFolderBytes(item.path, deadline, bytes);
        }
        facts.items.push_back(std::move(item));
    }
    return facts;
}

} // namespace ferrolet
