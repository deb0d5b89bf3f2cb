#pragma once

#include <string>

namespace ferrolet {

// Whether text is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing past U+10FFFF).
bool IsValidUtf8(const std::string& text);

// Whether an entry name is marked as UTF-8 in the archive: names beyond plain
// ASCII that are valid UTF-8, so that other systems show them right. Any
// other name is stored as its bytes without the mark, since readers that
// trust the mark reject the whole archive over one such name; plain ASCII
// needs no mark.
bool NeedsUtf8Mark(const std::string& name);

} // namespace ferrolet
