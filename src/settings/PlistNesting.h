#pragma once

#include <QByteArray>

namespace ferrolet {

// Whether the values of a property list (XML or binary) nest at most
// maxLevels deep, the root counting as one level. The plist library builds
// and frees its trees recursively, so a file nested hundreds of thousands of
// levels deep overflows the stack inside it; this scan runs first, in bounded
// memory and without recursion, and refuses such a file. A binary list whose
// structure does not hold together (references out of range, cycles), or
// whose shared objects would unfold into more than a million values, is
// refused too.
bool PlistNestingWithin(const QByteArray& bytes, int maxLevels);

} // namespace ferrolet
