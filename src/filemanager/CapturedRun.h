#pragma once

#include "util/Status.h"

#include <cstddef>
#include <string>
#include <vector>

namespace ferrolet {

// Bounds for a program whose output we read: a program that never exits or
// prints without end must not hang or exhaust the caller.
struct CaptureLimits {
    int timeoutMs = 5000;
    size_t maxBytes = 64u << 20;
};

// How a captured run ended.
struct CapturedRun {
    std::string output; // everything written to standard output
    int exitCode = -1;  // the exit status, -1 when it did not exit normally
};

// Runs argv[0] with its arguments (no shell, no PATH search) in a process group
// of its own, standard input from /dev/null, standard error discarded, and
// reads its standard output to the end. When the time or size bound is passed,
// the whole process group is killed and ETIMEDOUT or EFBIG is returned. A
// program that cannot be started gives its errno (ENOENT, EACCES...).
Status RunAndCapture(const std::vector<std::string>& argv, const CaptureLimits& limits,
                     CapturedRun& out);

} // namespace ferrolet
