#pragma once

#include "platform/FileRef.h"
#include "util/Status.h"

#include <string>

namespace ferrolet {

class SettingsStore;

// Makes, in the folder at destinationPath, a hard link of item under the
// item's own name. A symbolic link is linked itself, never what it points
// to. With "ReplaceFilesBySameName" on, a same-named item in the destination
// is set aside first and removed only once the link is made; when the link
// fails it takes its name back. Fails (as the file system says) for a folder,
// across file systems (EXDEV), at the item's link limit (EMLINK), or where
// the kernel protects links to others' files (EPERM). A destination path that
// names nothing is logged as "Ferrolet: An error occurred hard linking a
// folder or file. Error code = <status>". *newItem designates the new link.
Status MakeHardLink(SettingsStore& settings, const FileRef& item,
                    const std::string& destinationPath, FileRef* newItem);

} // namespace ferrolet
