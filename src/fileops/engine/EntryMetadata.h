#pragma once

#include "util/Status.h"

#include <string>
#include <sys/stat.h>

namespace ferrolet {

// Copies the extended attributes of one open item to another. A destination
// that cannot hold user attributes (ENOTSUP) is accepted, as are system and
// security attributes the caller may not set; any other failure to carry a
// user attribute fails, since a lost comment is lost data.
Status CopyExtendedAttributes(int srcFd, int dstFd);

// Gives an open copy the owner (as far as allowed), mode and times of its
// source. Times come last, since every other change touches them. When the
// owner cannot be kept, set-user-ID and set-group-ID bits are dropped rather
// than granted to the wrong owner.
Status ApplyMetadata(int dstFd, const struct statx& source);

// The same for an entry that cannot be opened (a symbolic link, a FIFO, a
// socket or a device), addressed by name in its folder. Links keep owner and
// times only.
Status ApplyMetadataAt(int dir, const std::string& name, const struct statx& source);

} // namespace ferrolet
