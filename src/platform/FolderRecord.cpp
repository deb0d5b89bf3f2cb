#include "FolderRecord.h"

#include "FolderRecordFormat.h"
#include "FolderSearch.h"
#include "ItemIdentity.h"
#include "MountTable.h"
#include "PathHelpers.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>

namespace ferrolet {

namespace {

// The path below folder, with its leading slash ("" for folder itself).
std::string Below(const std::string& path, const std::string& folder) {
    return folder == "/" ? path : path.substr(folder.size());
}

std::string Under(const std::string& folder, const std::string& below) {
    if (below.empty()) {
        return folder;
    }
    return folder == "/" ? below : folder + below;
}

// The nearest folder (not a link to one) at or above path that exists now.
std::string NearestExistingFolder(std::string path) {
    for (;;) {
        struct stat st {};
        if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            return path;
        }
        if (path == "/" || path.empty()) {
            return {};
        }
        path = ParentOfPath(path);
    }
}

bool SameVolume(const MountEntry& entry, const FolderRecordFields& f) {
    if (!entry.uuid.empty() && !f.volumeUuid.empty()) {
        return entry.uuid == f.volumeUuid;
    }
    return static_cast<uint64_t>(entry.device) == f.device;
}

// Where the stored path lies now on each mount of the record's volume; the
// stored path itself when the record knows no mount point. Empty when the
// volume is not mounted.
std::vector<std::string> CurrentPlaces(const FolderRecordFields& f) {
    if (f.mountPoint.empty()) {
        return {f.path};
    }
    // The path as seen from the volume's own root, then from each mount.
    const std::string inVolume = Under(f.mountRoot, Below(f.path, f.mountPoint));
    std::vector<std::string> places;
    for (const MountEntry& entry : ReadMountTable()) {
        if (!SameVolume(entry, f) || !PathIsUnder(inVolume, entry.root)) {
            continue;
        }
        const std::string place = Under(entry.mountPoint, Below(inVolume, entry.root));
        if (std::find(places.begin(), places.end(), place) == places.end()) {
            places.push_back(place);
        }
    }
    return places;
}

FileRef RefFor(const std::string& path, const struct stat& st) {
    return FileRef::Make(path, st.st_dev, st.st_ino);
}

} // namespace

Status MakeFolderRecord(const FileRef& item, QByteArray& record) {
    record.clear();
    if (item.IsNull()) {
        return EINVAL;
    }
    const std::string& path = item.Path();
    if (path.size() > kFolderRecordMaxPath) {
        return ENAMETOOLONG;
    }
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        return LastErrnoStatus();
    }
    if (st.st_dev != item.Device() || st.st_ino != item.Inode()) {
        return ENOENT; // the path holds another item now
    }
    FolderRecordFields f;
    f.path = path;
    f.device = st.st_dev;
    f.inode = st.st_ino;
    f.fileType = st.st_mode & S_IFMT;
    CaptureItemIdentity(AT_FDCWD, path.c_str(), f);
    const std::vector<MountEntry> table = ReadMountTable();
    if (const MountEntry* mount = FindMountFor(table, st.st_dev, path)) {
        f.mountPoint = mount->mountPoint;
        f.mountRoot = mount->root;
        f.volumeUuid = mount->uuid;
    }
    record = EncodeFolderRecord(f);
    return 0;
}

Status ResolveFolderRecord(const QByteArray& record, FileRef& item) {
    item = FileRef();
    FolderRecordFields f;
    if (const Status status = DecodeFolderRecord(record, f); status != 0) {
        return status;
    }
    struct stat st {};
    if (ItemMatches(AT_FDCWD, f.path.c_str(), f, st)) {
        item = RefFor(f.path, st);
        return 0;
    }
    // The volume may have been mounted elsewhere since.
    const std::vector<std::string> places = CurrentPlaces(f);
    for (const std::string& place : places) {
        if (place != f.path && ItemMatches(AT_FDCWD, place.c_str(), f, st)) {
            item = RefFor(place, st);
            return 0;
        }
    }
    // Renamed in place or moved nearby: look around where it was.
    for (const std::string& place : places) {
        const std::string start = NearestExistingFolder(ParentOfPath(place));
        std::string found;
        if (!start.empty() && SearchNearby(f, start, found, st)) {
            item = RefFor(found, st);
            return 0;
        }
    }
    // Gone, but an item of the same kind was made under its name on the same
    // volume (a folder deleted and made again): the path decides, as a path
    // is what the user last saw.
    for (const std::string& place : places) {
        if (lstat(place.c_str(), &st) != 0 || (st.st_mode & S_IFMT) != f.fileType ||
            S_ISLNK(st.st_mode)) {
            continue;
        }
        // Without a mount point the device is all that ties the path to the volume.
        if (f.mountPoint.empty() && static_cast<uint64_t>(st.st_dev) != f.device) {
            continue;
        }
        item = RefFor(place, st);
        return 0;
    }
    return ENOENT;
}

Status FolderRecordPath(const QByteArray& record, std::string& path) {
    path.clear();
    FolderRecordFields f;
    if (const Status status = DecodeFolderRecord(record, f); status != 0) {
        return status;
    }
    path = std::move(f.path);
    return 0;
}

} // namespace ferrolet
