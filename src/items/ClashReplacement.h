#pragma once

#include "items/ScopedFd.h"
#include "platform/FileRef.h"
#include "util/Status.h"

#include <string>
#include <sys/types.h>

namespace ferrolet {

class SettingsStore;

// Replacing a same-named item without ever losing it: the item is first set
// aside under a hidden temporary name in its own folder, and goes for good
// only once the new item is in place (Commit). When the operation that
// needed the name fails, the item takes its name back (Rollback), which the
// destructor does unless the replacement was committed. Only what the
// original clean-up could delete is set aside: a file, a link or an empty
// folder.
//
//     ClashReplacement clash;
//     RemoveClashingItem(settings, item, destination, clash);
//     if (MoveTheItem(...) == 0) clash.Commit(); // else: put back
class ClashReplacement {
public:
    ClashReplacement() = default;
    ClashReplacement(ClashReplacement&& other) noexcept;
    ClashReplacement& operator=(ClashReplacement&& other) noexcept;
    ClashReplacement(const ClashReplacement&) = delete;
    ClashReplacement& operator=(const ClashReplacement&) = delete;
    ~ClashReplacement();

    // Moves folder's entry called name aside. ENOTEMPTY for a folder that
    // holds anything; EINVAL when an item is already set aside.
    Status SetAside(const FileRef& folder, const std::string& name);

    // Whether an item is set aside and waiting for Commit or Rollback.
    bool IsActive() const { return m_folder.IsOpen(); }
    // The set-aside item's temporary name in its folder (empty when idle).
    const std::string& AsideName() const { return m_asideName; }

    // The new item is in place: removes the set-aside item. When it cannot be
    // removed it stays under its hidden name, "unlink error: %s" is logged,
    // and its status returned.
    Status Commit();
    // Puts the set-aside item back under its name. Nothing is replaced: when
    // the name has been taken meanwhile, the item stays under its hidden
    // name and a line says where.
    Status Rollback();

private:
    Status RemoveSetAsideItem() const;
    void Clear();

    ScopedFd m_folder;
    std::string m_folderPath;
    std::string m_name;
    std::string m_asideName;
    dev_t m_device = 0;
    ino_t m_inode = 0;
    bool m_isFolder = false;
};

// Clears the way for item in destinationFolder when "ReplaceFilesBySameName"
// is on: true when a same-named item was found there and set aside in
// replacement, for the caller to Commit once its own operation succeeded.
// False, with nothing changed, when the item's name cannot be read, when the
// destination is the item's own folder, when no entry of exactly that name
// is there (a name differing only in case on a file system that ignores
// case does not count), when the setting is off (it is read only once a
// child was found), or when the child cannot be set aside (logged as
// "unlink error: %s", as for a folder that is not empty).
bool RemoveClashingItem(SettingsStore& settings, const FileRef& item,
                        const FileRef& destinationFolder, ClashReplacement& replacement);

// The same for an entry called name, on behalf of item (which may already be
// in destinationFolder under another name; it is never set aside itself).
bool RemoveClashingItemNamed(SettingsStore& settings, const std::string& name, const FileRef& item,
                             const FileRef& destinationFolder, ClashReplacement& replacement);

} // namespace ferrolet
