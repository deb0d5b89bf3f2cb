#include "fileops/commands/DestinationFolderCache.h"

namespace ferrolet {

Status DestinationFolderCache::Resolve(const std::string& path, FileRef& folder, bool* isFolder) {
    if (path != m_path || !m_folder.IsValid()) {
        m_path.clear();
        const Status status = FileRef::FromPath(path, m_folder, FileRef::Leaf::Follow, &m_isFolder);
        if (status != 0) {
            folder = FileRef();
            return status;
        }
        m_path = path;
    }
    folder = m_folder;
    if (isFolder) {
        *isFolder = m_isFolder;
    }
    return 0;
}

} // namespace ferrolet
