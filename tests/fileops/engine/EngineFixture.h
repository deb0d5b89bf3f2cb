#pragma once

#include "TestEnvironment.h"
#include "platform/FileRef.h"

#include <cstdint>
#include <map>
#include <string>

namespace ferrolet::test {

// What a tree looks like, entry by entry, in every respect a move or a copy
// must keep: type, permission bits, size, modification time to the
// nanosecond, link target, contents and user extended attributes.
struct EntryState {
    unsigned mode = 0; // the type bits and the permission bits
    uint64_t size = 0;
    int64_t mtimeNs = 0;
    std::string linkTarget;
    std::string contents; // regular files under 1 MiB
    std::map<std::string, std::string> xattrs;
    bool operator==(const EntryState&) const = default;
};
using TreeState = std::map<std::string, EntryState>; // relative path -> state

TreeState CaptureTree(const std::string& path);
// A readable account of the first difference, empty when none.
std::string DescribeDifference(const TreeState& expected, const TreeState& actual);

// A private home on the root disk plus a folder on /dev/shm, a different file
// system, for moves that must copy.
class EngineTest : public TempHome {
protected:
    void SetUp() override;
    void TearDown() override;

    // A folder on the other file system; returns its path.
    std::string OtherFsDir(const std::string& relative);
    // Names in a folder that are remains of a copy under construction.
    static int PartialCopiesIn(const std::string& folder);
    static std::string Bytes(size_t size, char seed);

    std::string m_otherRoot;
};

} // namespace ferrolet::test
