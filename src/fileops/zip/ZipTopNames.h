#pragma once

#include <string>
#include <vector>

namespace ferrolet {

// The names several items take at the top of one archive: each its own name,
// except that a name already taken by an earlier item (two "notes.txt" from
// two folders) becomes "notes 2.txt", "notes 3.txt" … so that unzipping
// gives every item, none written over another. The extension rule is the
// program's one rule (items/ItemNames.h).
std::vector<std::string> UniqueTopNames(const std::vector<std::string>& names);

} // namespace ferrolet
