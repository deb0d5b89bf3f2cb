#pragma once

#include <cerrno>
#include <cstdint>

namespace ferrolet {

// A file operation's result: 0 is success, anything else is the errno value
// that says why it failed (ENOENT: the item is gone, EINVAL: a reference or
// name that designates nothing, ESRCH: no file manager, ENODATA: an empty
// folder listed). "Error code = %d" in the log prints that number.
using Status = int32_t;

// The errno of a failed system call; EIO when the call failed without
// setting one, so a failure never reads as success.
inline Status StatusFromErrno(int e) {
    return e == 0 ? EIO : e;
}

inline Status LastErrnoStatus() {
    return StatusFromErrno(errno);
}

} // namespace ferrolet
