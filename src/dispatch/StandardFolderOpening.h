#pragma once

#include "platform/FileRef.h"
#include "util/Status.h"

#include <string>

namespace ferrolet {

// The standard folder at path, made (with its parents, as a file manager
// would) when it is missing: a service is about to file an item into it, so
// the user asked for it. Follows a folder that is a symbolic link, since the
// user's own folders often point elsewhere. ENOTDIR when something else
// stands in its place.
Status OpenStandardFolder(const std::string& path, FileRef& folder);

} // namespace ferrolet
