#include "fileops/zip/TemporaryArchive.h"

#include "journal/GestureRecorder.h"

#include "fileops/zip/ZipArchive.h"
#include "items/FolderItems.h"
#include "items/ItemAccess.h"
#include "items/ItemNames.h"
#include "items/ScopedFd.h"
#include "items/StateFolder.h"
#include "items/UniqueName.h"

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace ferrolet {

namespace {

constexpr const char* kPartialArchiveName = ".ferrolet-partial-archive.zip";
constexpr const char* kZipSuffix = ".zip";

// Removes the UUID folder of an archive once it is empty; it is our own
// clutter. A folder that still holds anything stays.
void RemoveEmptyFolder(const std::string& folderPath) {
    rmdir(folderPath.c_str());
}

} // namespace

std::string ArchiveNameFor(const std::string& itemName) {
    const std::string suffix = kZipSuffix;
    return TruncateAtCharacterBoundary(itemName, kMaxNameBytes - suffix.size()) + suffix;
}

Status CreateZipArchive(const FileRef& item, FileRef* archive, const ProgressSink* progress,
                        std::string* failedEntry) {
    return CreateZipArchive(std::vector<FileRef>{item}, archive, progress, failedEntry);
}

Status CreateZipArchive(const std::vector<FileRef>& items, FileRef* archive,
                        const ProgressSink* progress, std::string* failedEntry) {
    if (items.empty()) {
        return EINVAL;
    }
    const std::optional<std::string> itemName =
        items.size() == 1 ? ItemFileName(items.front()) : std::string(kSeveralItemsArchiveName);
    if (!itemName) {
        return ENOENT;
    }
    FileRef stateFolder;
    if (Status status = UsableStateFolder(stateFolder); status != 0) {
        return status;
    }
    FileRef archiveFolder;
    if (Status status = FindOrCreateFolder(stateFolder, NewUUIDString(), archiveFolder);
        status != 0) {
        return status;
    }
    ScopedFd folderFd;
    if (Status status = OpenFolderRef(archiveFolder, folderFd); status != 0) {
        RemoveEmptyFolder(archiveFolder.Path());
        return status;
    }
    const std::string archiveName =
        items.size() == 1 ? ArchiveNameFor(*itemName) : std::string(kSeveralItemsArchiveName);
    RecordedStep step;
    step.Begin(StepKind::Partial, {}, ChildPath(archiveFolder.Path(), archiveName),
               ChildPath(archiveFolder.Path(), kPartialArchiveName));
    ScopedFd out(openat(folderFd.Get(), kPartialArchiveName,
                        O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!out.IsOpen()) {
        const Status status = LastErrnoStatus();
        RemoveEmptyFolder(archiveFolder.Path());
        return status;
    }
    Status status = WriteZipArchive(items, out.Get(), progress, failedEntry);
    // close() reports write-back failures of some file systems (NFS, quota).
    if (close(out.Release()) != 0 && status == 0) {
        status = LastErrnoStatus();
    }
    if (status == 0 && renameat2(folderFd.Get(), kPartialArchiveName, folderFd.Get(),
                                 archiveName.c_str(), RENAME_NOREPLACE) != 0) {
        status = LastErrnoStatus();
    }
    if (status != 0) {
        unlinkat(folderFd.Get(), kPartialArchiveName, 0);
        RemoveEmptyFolder(archiveFolder.Path());
        return status;
    }
    step.Reach(StepState::Done);
    FileRef made;
    if (Status found = MakeChildRef(archiveFolder, archiveName, made); found != 0) {
        return found;
    }
    if (archive) {
        *archive = made;
    }
    return 0;
}

} // namespace ferrolet
