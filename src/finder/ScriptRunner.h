#pragma once

#include "util/Status.h"

#include <QString>

#include <string>
#include <vector>

namespace ferrolet {

// The script ran but did not end well (non-zero exit, syntax error, killed).
inline constexpr Status errOSAScriptError = -1753;

// Runs the script text with /bin/sh. The text is passed to "sh -c" as it
// stands and the arguments become its positional parameters ($1, $2, ...,
// "$@"; $0 is "ferrolet"), so a path only ever travels as an argument and
// never as script text, whatever quotes, $(...), backticks or newlines it
// holds. Standard input is /dev/null and what the script prints is discarded.
// Waits until the script has finished. Status 0 exactly when it ran to its
// end with exit status 0; errOSAScriptError when it ran and failed; the errno
// when /bin/sh could not be started; -50 for text or arguments holding NUL.
Status RunScriptText(const QString& scriptText, const std::vector<std::string>& arguments = {});

} // namespace ferrolet
