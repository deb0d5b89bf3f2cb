#pragma once

#include "platform/FileRef.h"

#include <optional>
#include <string>

namespace ferrolet {

// The longest prefix of text of at most maxBytes bytes that does not end
// inside a UTF-8 character. A byte that starts no valid UTF-8 sequence counts
// as a character of its own, so names that are not UTF-8 shorten too.
std::string TruncateAtCharacterBoundary(const std::string& text, size_t maxBytes);

// The unique form of name: "<base> - <uuid>.<extension>", where the
// extension follows the program's one extension rule ("archive.tar.gz" gives
// "archive.tar - UUID.gz", "Photos" gives "Photos - UUID"). The result never
// exceeds kMaxNameBytes: the base is shortened at a character boundary to
// make room; an extension too long to keep beside the UUID is treated as part
// of the base.
std::string UniqueNameFromName(const std::string& name, const std::string& uuid);

// The name under which item can go into destinationFolder without meeting a
// same-named item there; none when no item of the item's name is there (the
// file system answers, so a name differing only in case counts on file
// systems that ignore case), or when the item's name cannot be read. The new
// name carries a fresh UUID and is not looked up again.
std::optional<std::string> MakeUniqueName(const FileRef& destinationFolder, const FileRef& item);

} // namespace ferrolet
