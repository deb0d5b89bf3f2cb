#pragma once

#include "platform/FileRef.h"
#include "util/Status.h"

#include <string>
#include <string_view>

namespace ferrolet {

// One line of the selection script's output names one item: a file URI as in
// text/uri-list (host empty or "localhost", percent-escapes decoded) or an
// absolute path taken as it stands. Gives the item's absolute path, or EINVAL
// for a line that is neither (relative paths, other schemes, bad or %00
// escapes, NUL bytes).
Status DecodeItemSpecifier(std::string_view line, std::string& path);

// The selection line turned into a reference to the item it names. The file
// system answers, so no file manager needs to run: EINVAL for a line that is not
// an item specifier, ENOENT when nothing is there. A symbolic link named by
// the line designates the link itself.
Status ResolveSelectionLine(std::string_view specifier, FileRef& item);

} // namespace ferrolet
