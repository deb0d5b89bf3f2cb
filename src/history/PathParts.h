#pragma once

#include <QString>

#include <string>

namespace ferrolet {

// The folder part of an absolute path ("/" for an item at the root).
std::string ParentPathOf(const std::string& path);
// The last component of a path.
std::string NamePartOf(const std::string& path);
// “name” as the journal's messages quote an item.
QString Quoted(const std::string& pathOrName);

} // namespace ferrolet
