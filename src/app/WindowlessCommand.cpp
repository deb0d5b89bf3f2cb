#include "WindowlessCommand.h"

#include "dispatch/CommandIds.h"

#include <QFile>

#include <sys/stat.h>

#include <cstdint>

namespace ferrolet {

namespace {

// At most this many given items, for any command.
constexpr qsizetype kMaxItems = 32;
// At most this many bytes in all, for commands that copy data: well under
// half a second on a slow disk.
constexpr uint64_t kMaxBytes = 16 * 1024 * 1024;

// The given items are files or links (no folders) of kMaxBytes in all. An
// item that cannot be looked at is refused by the run itself, at once.
bool FewSmallFiles(const QStringList& paths) {
    uint64_t total = 0;
    for (const QString& path : paths) {
        struct stat st {};
        if (lstat(QFile::encodeName(path).constData(), &st) != 0) {
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            return false;
        }
        total += static_cast<uint64_t>(st.st_size);
        if (total > kMaxBytes) {
            return false;
        }
    }
    return true;
}

} // namespace

bool CommandRunsWithoutWindows(int tag, bool ask, const QStringList& paths) {
    if (ask || paths.isEmpty() || paths.size() > kMaxItems) {
        return false;
    }
    const std::optional<DecodedTag> decoded = DecodeMenuItemTag(tag);
    if (!decoded) {
        return true; // refused at once: nothing runs
    }
    if (decoded->kind == DecodedTag::Kind::Fixed) {
        return decoded->fixedId == cmd::AddFolder || decoded->fixedId == cmd::RemoveFolder;
    }
    if (decoded->folderIndex < 1) {
        return false; // the folder dialog chooses the destination
    }
    switch (decoded->command) {
    case DestinationCommand::AliasTo:
    case DestinationCommand::HardLinkTo:
    case DestinationCommand::OpenFolder:
        return true; // no data is copied, whatever the items' sizes
    case DestinationCommand::MoveTo:
    case DestinationCommand::CopyTo:
    case DestinationCommand::ArchiveTo:
        break;
    }
    return FewSmallFiles(paths);
}

} // namespace ferrolet
