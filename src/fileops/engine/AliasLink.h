#pragma once

#include "platform/FileRef.h"
#include "util/Status.h"

#include <string>

namespace ferrolet {

// The name of an alias of an item called itemName, at the given attempt: 0
// is the item's own name, 1 "<name> alias", n "<name> alias n". The name is
// shortened at a character boundary to stay within the file system's limit.
std::string AliasNameFor(const std::string& itemName, int attempt);

// Makes, in the folder at destinationPath, an alias of item: a symbolic link
// to the item's absolute path, named like the item or, when that name is
// taken, by the first free name of AliasNameFor. Nothing existing is ever
// replaced: each name is tried by creating the link, and a taken name moves
// on to the next. *newItem designates the new link.
Status MakeAlias(const FileRef& item, const std::string& destinationPath, FileRef* newItem);

} // namespace ferrolet
