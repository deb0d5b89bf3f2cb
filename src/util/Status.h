#pragma once

#include <cerrno>
#include <cstdint>

namespace ferrolet {

// A file operation's result: 0 is success. The platform's negative codes keep
// their numbers; a failed system call gives its errno (positive), so the two
// kinds never collide and "Error code = %d" shows either as it is.
using Status = int32_t;

inline constexpr Status noErr = 0;
inline constexpr Status fnfErr = -43;                     // file not found
inline constexpr Status paramErr = -50;                   // parameter error
inline constexpr Status memFullErr = -108;                // out of memory
inline constexpr Status procNotFound = -600;              // no such process
inline constexpr Status errFSNoMoreItems = -1417;         // iteration ended
inline constexpr Status coreFoundationUnknownErr = -4960; // no URL or path

// ENOENT reads as "file not found" so that callers asking "does it exist?"
// see one code whatever layer answered.
inline Status StatusFromErrno(int e) {
    if (e == ENOENT) {
        return fnfErr;
    }
    return e == 0 ? EIO : e;
}

inline Status LastErrnoStatus() {
    return StatusFromErrno(errno);
}

} // namespace ferrolet
