#include "fileops/commands/CutStateFile.h"

#include "fileops/commands/HeldProvenance.h"
#include "items/ItemNames.h"
#include "items/ScopedFd.h"
#include "platform/FolderRecord.h"
#include "util/AppPaths.h"

#include <QByteArray>
#include <QList>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet {

namespace {

constexpr const char* kStateFileName = "pending-cut";
constexpr const char* kHeader = "ferrolet-pending-cut 1";
constexpr const char* kHoldingKey = "holding ";
constexpr const char* kOriginKey = "origin ";
// A state file is three short lines; anything much larger is not one.
constexpr off_t kMaxStateFileBytes = 64 * 1024;

bool IsUpperHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// Opens the state folder; a reader passes create = false, so that only a
// cut that needs the folder makes it.
Status OpenStateDirectory(ScopedFd& dirFd, bool create) {
    const std::string dir = create ? StateDirectory() : StateDirectoryPath();
    if (dir.empty()) {
        return EINVAL;
    }
    dirFd.Reset(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
    return dirFd.IsOpen() ? 0 : LastErrnoStatus();
}

Status WriteAll(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    auto left = static_cast<size_t>(bytes.size());
    while (left > 0) {
        const ssize_t n = write(fd, data, left);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastErrnoStatus();
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
    return 0;
}

QByteArray EncodeState(const CutState& cut) {
    QByteArray text = QByteArray(kHeader) + '\n';
    text += QByteArray(kHoldingKey) + QByteArray::fromStdString(cut.holdingFolder.Name()) + '\n';
    QByteArray record;
    if (!cut.originFolder.IsNull() && MakeFolderRecord(cut.originFolder, record) == 0) {
        text += QByteArray(kOriginKey) + record.toHex() + '\n';
    }
    return text;
}

// The file's lines without line ends (LF or CRLF), blank lines left out, so a
// file an editor saved with CRLF or an extra line end still reads.
QList<QByteArray> StateLines(const QByteArray& bytes) {
    QList<QByteArray> lines;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r')) {
            line.chop(1);
        }
        if (!line.isEmpty()) {
            lines.append(line);
        }
    }
    return lines;
}

// The origin's record from its hex text; false for anything else.
bool DecodeOrigin(const QByteArray& hex, QByteArray& originRecord) {
    for (const char c : hex) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    originRecord = QByteArray::fromHex(hex);
    return !originRecord.isEmpty() && originRecord.size() * 2 == hex.size();
}

// The holding folder's name and the origin's record, from the file's bytes;
// false for anything that is not a state file. Lines after the ones known
// here are left unread.
bool DecodeState(const QByteArray& bytes, std::string& holdingName, QByteArray& originRecord) {
    const QList<QByteArray> lines = StateLines(bytes);
    if (lines.size() < 2 || lines[0] != kHeader || !lines[1].startsWith(kHoldingKey)) {
        return false;
    }
    holdingName = lines[1].mid(qsizetype(strlen(kHoldingKey))).toStdString();
    if (!IsHoldingFolderName(holdingName)) {
        return false;
    }
    originRecord.clear();
    if (lines.size() >= 3 && lines[2].startsWith(kOriginKey)) {
        return DecodeOrigin(lines[2].mid(qsizetype(strlen(kOriginKey))), originRecord);
    }
    return true;
}

Status ReadStateFile(int dirFd, QByteArray& bytes) {
    ScopedFd fd(openat(dirFd, kStateFileName, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    if (!fd.IsOpen()) {
        return LastErrnoStatus();
    }
    struct stat st {};
    if (fstat(fd.Get(), &st) != 0) {
        return LastErrnoStatus();
    }
    if (!S_ISREG(st.st_mode) || st.st_size > kMaxStateFileBytes) {
        return EINVAL;
    }
    bytes.clear();
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd.Get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return LastErrnoStatus();
        }
        if (n == 0) {
            return 0;
        }
        bytes.append(buffer, n);
        if (bytes.size() > kMaxStateFileBytes) {
            return EINVAL;
        }
    }
}

// The pending cut of the holding folder holdingName; false when that folder
// is gone or is no longer a folder (removed by hand).
bool LoadHeldCut(const std::string& holdingName, const QByteArray& originRecord, CutState& loaded) {
    bool isFolder = false;
    const std::string holdingPath = StateDirectoryPath() + "/" + holdingName;
    if (FileRef::FromPath(holdingPath, loaded.holdingFolder, FileRef::Leaf::NoFollow, &isFolder) !=
            0 ||
        !isFolder) {
        return false;
    }
    if (!originRecord.isEmpty() && ResolveFolderRecord(originRecord, loaded.originFolder) != 0) {
        // The items can still be pasted; only a put-back has nowhere to go.
        loaded.originFolder = FileRef();
    }
    loaded.pending = true;
    return true;
}

// Renames the state file aside (never following it: a link is renamed, not
// what it leads to), so the next save does not destroy what it held.
void SetStateFileAside(int dirFd) {
    const std::string aside = std::string(kStateFileName) + ".corrupt";
    renameat(dirFd, kStateFileName, dirFd, aside.c_str());
}

// With no usable state file, the most recent holding folder that still holds
// items (found by its provenance) becomes the pending cut again, and the
// state file is written anew for it. No such folder means no pending cut.
Status AdoptHeldFolder(int dirFd, CutState& cut) {
    const std::vector<std::string> held = FindHoldingFolders(dirFd);
    CutState adopted;
    HeldProvenance provenance;
    if (held.empty() || !ReadHeldProvenance(dirFd, held.front(), provenance) ||
        !LoadHeldCut(held.front(), provenance.originRecord, adopted)) {
        cut = CutState{};
        return 0;
    }
    cut = adopted;
    SaveCutState(cut);
    return 0;
}

} // namespace

std::string CutStateFilePath() {
    const std::string dir = StateDirectory();
    return dir.empty() ? std::string() : dir + "/" + kStateFileName;
}

bool IsHoldingFolderName(const std::string& name) {
    if (name.size() != 36) {
        return false;
    }
    for (size_t i = 0; i < name.size(); ++i) {
        const bool hyphenPlace = i == 8 || i == 13 || i == 18 || i == 23;
        if (hyphenPlace ? name[i] != '-' : !IsUpperHexDigit(name[i])) {
            return false;
        }
    }
    return true;
}

Status SaveCutState(const CutState& cut) {
    ScopedFd dirFd;
    if (const Status status = OpenStateDirectory(dirFd, true); status != 0) {
        return status;
    }
    if (!cut.pending) {
        if (unlinkat(dirFd.Get(), kStateFileName, 0) != 0 && errno != ENOENT) {
            return LastErrnoStatus();
        }
        return fsync(dirFd.Get()) == 0 ? 0 : LastErrnoStatus();
    }
    if (!IsHoldingFolderName(cut.holdingFolder.Name())) {
        return EINVAL;
    }

    // Temporary name first, flushed, then renamed over: a crash leaves the
    // old state or the new one, never half of one.
    const std::string tempName = std::string(".") + kStateFileName + "-" + NewUUIDString();
    ScopedFd fd(openat(dirFd.Get(), tempName.c_str(),
                       O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.IsOpen()) {
        return LastErrnoStatus();
    }
    Status status = WriteAll(fd.Get(), EncodeState(cut));
    if (status == 0 && fsync(fd.Get()) != 0) {
        status = LastErrnoStatus();
    }
    if (status == 0 && close(fd.Release()) != 0) {
        status = LastErrnoStatus();
    }
    if (status == 0 && renameat(dirFd.Get(), tempName.c_str(), dirFd.Get(), kStateFileName) != 0) {
        status = LastErrnoStatus();
    }
    if (status != 0) {
        unlinkat(dirFd.Get(), tempName.c_str(), 0);
        return status;
    }
    return fsync(dirFd.Get()) == 0 ? 0 : LastErrnoStatus();
}

Status LoadCutState(CutState& cut) {
    ScopedFd dirFd;
    if (const Status status = OpenStateDirectory(dirFd, false); status != 0) {
        if (status == ENOENT) {
            cut = CutState{};
            return 0;
        }
        return status;
    }
    QByteArray bytes;
    const Status read = ReadStateFile(dirFd.Get(), bytes);
    std::string holdingName;
    QByteArray originRecord;
    if (read == 0 && DecodeState(bytes, holdingName, originRecord)) {
        CutState loaded;
        if (LoadHeldCut(holdingName, originRecord, loaded)) {
            cut = loaded;
            return 0;
        }
    } else if (read == EACCES) {
        return read; // ours but unreadable now: left as it is
    } else if (read != ENOENT) {
        // A link, a FIFO or bytes that are no state file: kept aside for
        // whoever wants to look, and the index is made anew from the
        // holding folders themselves.
        SetStateFileAside(dirFd.Get());
    }
    return AdoptHeldFolder(dirFd.Get(), cut);
}

} // namespace ferrolet
