#include "journal/ItemIdentity.h"

#include <fcntl.h>

namespace ferrolet {

bool ItemIdentity::Matches(const ItemIdentity& other) const {
    if (!IsSet() || device != other.device || inode != other.inode || folder != other.folder) {
        return false;
    }
    return folder || (size == other.size && mtimeNs == other.mtimeNs);
}

ItemIdentity IdentityOf(const struct stat& info) {
    ItemIdentity id;
    id.device = info.st_dev;
    id.inode = info.st_ino;
    id.folder = S_ISDIR(info.st_mode);
    id.size = id.folder ? 0 : static_cast<uint64_t>(info.st_size);
    id.mtimeNs = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return id;
}

ItemIdentity IdentityAt(int dirFd, const std::string& name) {
    struct stat info {};
    if (fstatat(dirFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
        return {};
    }
    return IdentityOf(info);
}

} // namespace ferrolet
