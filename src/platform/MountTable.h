#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace ferrolet {

// One mounted volume as the kernel lists it in /proc/self/mountinfo.
struct MountEntry {
    dev_t device = 0;
    std::string root;       // the folder of the volume mounted here ("/" usually)
    std::string mountPoint; // where it is mounted
    std::string uuid;       // file-system UUID, empty when unknown
};

// Parses mountinfo text; lines that do not parse are skipped. Octal escapes
// (\040 for a space) in the root and mount point are decoded.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// The current mount table with UUIDs filled in from /dev/disk/by-uuid.
std::vector<MountEntry> ReadMountTable();

// Replaces where ReadMountTable gets its table (tests describe volumes that
// moved); an empty function restores the kernel's table.
using MountTableReader = std::function<std::vector<MountEntry>()>;
void SetMountTableReader(MountTableReader reader);

// The mount that holds path on device: the longest mount point that is a
// prefix of path among the entries of that device; nullptr when none.
const MountEntry* FindMountFor(const std::vector<MountEntry>& table, dev_t device,
                               const std::string& path);

// True when path is mountPoint or lies below it.
bool PathIsUnder(const std::string& path, const std::string& folder);

} // namespace ferrolet
