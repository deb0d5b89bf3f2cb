#include "fileops/engine/FolderCopy.h"

#include "fileops/engine/EntryMetadata.h"
#include "fileops/engine/FolderTrail.h"
#include "items/ItemAccess.h"

#include <fcntl.h>
#include <sys/sysmacros.h>
#include <vector>

namespace ferrolet {

namespace {

// One folder being copied: its entries, how far the copy has got, what it
// was when looked at, and where its source is recorded.
struct CopyLevel {
    std::vector<std::string> names;
    size_t next = 0;
    struct statx st {};
    CopiedEntry* record = nullptr;
};

class FolderCopy {
public:
    FolderCopy(int srcDir, int dstDir, CopyContext& context)
        : m_source(srcDir, O_RDONLY), m_copy(dstDir, O_RDONLY), m_context(context) {}

    Status Run(const std::string& srcName, const std::string& dstName, const struct statx& st,
               CopiedEntry* record, bool* created);

private:
    Status Enter(const std::string& srcName, const std::string& dstName, const struct statx& st,
                 CopiedEntry* record, bool* created);
    Status CopyNextEntry();
    Status Leave();

    FolderTrail m_source;
    FolderTrail m_copy;
    CopyContext& m_context;
    std::vector<CopyLevel> m_levels;
};

Status FolderCopy::Run(const std::string& srcName, const std::string& dstName,
                       const struct statx& st, CopiedEntry* record, bool* created) {
    if (Status status = Enter(srcName, dstName, st, record, created); status != 0) {
        return status;
    }
    while (!m_levels.empty()) {
        const CopyLevel& level = m_levels.back();
        const Status status = level.next < level.names.size() ? CopyNextEntry() : Leave();
        if (status != 0) {
            return status;
        }
    }
    return 0;
}

Status FolderCopy::Enter(const std::string& srcName, const std::string& dstName,
                         const struct statx& st, CopiedEntry* record, bool* created) {
    const dev_t device = makedev(st.stx_dev_major, st.stx_dev_minor);
    if (Status status = m_source.Descend(srcName, device, st.stx_ino); status != 0) {
        return status;
    }
    // Private until complete; the real mode is set once the contents are in.
    if (mkdirat(m_copy.Fd(), dstName.c_str(), 0700) != 0) {
        return LastErrnoStatus();
    }
    *created = true;
    if (Status status = m_copy.Descend(dstName); status != 0) {
        return status;
    }
    CopyLevel level;
    level.st = st;
    level.record = record;
    if (Status status = ListEntryNames(m_source.Fd(), level.names); status != 0) {
        return status;
    }
    if (record) {
        // Never more children than names: their addresses stay put.
        record->children.reserve(level.names.size());
    }
    m_levels.push_back(std::move(level));
    return 0;
}

Status FolderCopy::CopyNextEntry() {
    CopyLevel& level = m_levels.back();
    const std::string name = level.names[level.next++];
    CopiedEntry* child = level.record ? &level.record->children.emplace_back() : nullptr;
    struct statx st {};
    if (Status status = StatxAt(m_source.Fd(), name, st); status != 0) {
        return status;
    }
    // Recorded before anything is read, so that any later change shows.
    if (child) {
        RecordCopiedEntry(st, name, *child);
    }
    bool created = false;
    if (S_ISDIR(st.stx_mode)) {
        return Enter(name, name, st, child, &created);
    }
    return CopyNonFolderAt(m_source.Fd(), name, m_copy.Fd(), name, st, m_context, &created);
}

Status FolderCopy::Leave() {
    const struct statx st = m_levels.back().st;
    m_levels.pop_back();
    if (Status status = CopyExtendedAttributes(m_source.Fd(), m_copy.Fd()); status != 0) {
        return status;
    }
    if (Status status = ApplyMetadata(m_copy.Fd(), st); status != 0) {
        return status;
    }
    if (Status status = m_source.Ascend(); status != 0) {
        return status;
    }
    return m_copy.Ascend();
}

} // namespace

Status CopyFolderTree(int srcDir, const std::string& srcName, int dstDir,
                      const std::string& dstName, const struct statx& st, CopyContext& context,
                      CopiedEntry* record, bool* created) {
    return FolderCopy(srcDir, dstDir, context).Run(srcName, dstName, st, record, created);
}

} // namespace ferrolet
