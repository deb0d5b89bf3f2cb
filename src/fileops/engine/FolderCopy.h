#pragma once

#include "fileops/engine/CopyEngine.h"
#include "util/Status.h"

#include <string>
#include <sys/stat.h>

namespace ferrolet {

// The folder part of CopyEntryAt: copies the folder srcName of srcDir (whose
// statx is st) as dstName in dstDir, and the whole tree below it. The walk
// keeps a list of names per level and a few descriptors, never a call or a
// descriptor per level, so a tree of any depth is copied on an ordinary stack
// and descriptor limit. Each copied folder is private (0700) until its
// contents are in; then its attributes, mode and times are set.
Status CopyFolderTree(int srcDir, const std::string& srcName, int dstDir,
                      const std::string& dstName, const struct statx& st, CopyContext& context,
                      CopiedEntry* record, bool* created);

} // namespace ferrolet
