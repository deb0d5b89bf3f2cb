#pragma once

#include "platform/FileRef.h"
#include "util/Status.h"

#include <string>

namespace ferrolet {

// The destination folder of a run's items, resolved from its path for the
// first item and used again while the path is the same and still holds that
// folder: one look per item instead of resolving the path name by name.
// A folder replaced under the path during the run is resolved anew.
class DestinationFolderCache {
public:
    // The folder at path (links followed, as a chosen destination is);
    // *isFolder, when given, says whether it is a folder at all.
    Status Resolve(const std::string& path, FileRef& folder, bool* isFolder = nullptr);

private:
    std::string m_path;
    FileRef m_folder;
    bool m_isFolder = false;
};

} // namespace ferrolet
