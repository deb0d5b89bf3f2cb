#include "fileops/commands/HeldProvenance.h"

#include "fileops/commands/CutStateFile.h"
#include "items/ItemAccess.h"
#include "items/ScopedFd.h"

#include <QList>

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet {

namespace {

constexpr const char* kHeader = "ferrolet-held 1";
// A provenance file names the items of one cut; a megabyte is far beyond any.
constexpr off_t kMaxProvenanceBytes = 1 << 20;

QByteArray Encode(const HeldProvenance& provenance) {
    QByteArray text = QByteArray(kHeader) + '\n';
    text += "origin " + provenance.originRecord.toBase64() + '\n';
    text += "time " + provenance.time.toUTC().toString(Qt::ISODate).toLatin1() + '\n';
    for (const std::string& name : provenance.items) {
        text += "item " + QByteArray::fromStdString(name).toPercentEncoding() + '\n';
    }
    return text;
}

bool Decode(const QByteArray& bytes, HeldProvenance& provenance) {
    QList<QByteArray> lines = bytes.split('\n');
    if (lines.isEmpty() || lines.front().trimmed() != kHeader) {
        return false;
    }
    for (QByteArray line : lines) {
        line = line.trimmed();
        if (line.startsWith("origin ")) {
            provenance.originRecord = QByteArray::fromBase64(line.mid(7));
        } else if (line.startsWith("time ")) {
            provenance.time = QDateTime::fromString(QString::fromLatin1(line.mid(5)), Qt::ISODate);
        } else if (line.startsWith("item ")) {
            provenance.items.push_back(QByteArray::fromPercentEncoding(line.mid(5)).toStdString());
        }
    }
    return true;
}

Status WriteAllBytes(int fd, const QByteArray& bytes) {
    const char* data = bytes.constData();
    auto left = static_cast<size_t>(bytes.size());
    while (left > 0) {
        const ssize_t n = write(fd, data, left);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return LastErrnoStatus();
        }
        data += n;
        left -= static_cast<size_t>(n);
    }
    return 0;
}

// The file's bytes, read without blocking on anything that is not a small
// regular file.
bool ReadSmallFile(int folderFd, const char* name, QByteArray& bytes) {
    ScopedFd fd(openat(folderFd, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
    struct stat st {};
    if (!fd.IsOpen() || fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        st.st_size > kMaxProvenanceBytes) {
        return false;
    }
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(fd.Get(), buffer, sizeof buffer)) != 0) {
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 || bytes.size() + n > kMaxProvenanceBytes) {
            return false;
        }
        bytes.append(buffer, n);
    }
    return true;
}

bool HoldsVisibleEntry(int folderFd) {
    std::vector<std::string> names;
    if (ListEntryNames(folderFd, names) != 0) {
        return true; // unreadable: never given up
    }
    return std::any_of(names.begin(), names.end(),
                       [](const std::string& name) { return name.front() != '.'; });
}

} // namespace

Status WriteHeldProvenance(const FileRef& holdingFolder, const HeldProvenance& provenance) {
    ScopedFd folderFd;
    if (const Status status = OpenFolderRef(holdingFolder, folderFd); status != 0) {
        return status;
    }
    ScopedFd fd(openat(folderFd.Get(), kHeldProvenanceName,
                       O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!fd.IsOpen()) {
        return LastErrnoStatus();
    }
    Status status = WriteAllBytes(fd.Get(), Encode(provenance));
    if (status == 0 && fsync(fd.Get()) != 0) {
        status = LastErrnoStatus();
    }
    if (status != 0) {
        unlinkat(folderFd.Get(), kHeldProvenanceName, 0);
    }
    return status;
}

bool ReadHeldProvenance(int stateFd, const std::string& folderName, HeldProvenance& provenance) {
    ScopedFd folderFd(
        openat(stateFd, folderName.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
    QByteArray bytes;
    return folderFd.IsOpen() && ReadSmallFile(folderFd.Get(), kHeldProvenanceName, bytes) &&
           Decode(bytes, provenance);
}

std::vector<std::string> FindHoldingFolders(int stateFd) {
    std::vector<std::string> names;
    if (ListEntryNames(stateFd, names) != 0) {
        return {};
    }
    std::vector<std::pair<QDateTime, std::string>> found;
    for (const std::string& name : names) {
        HeldProvenance provenance;
        if (!IsHoldingFolderName(name) || !ReadHeldProvenance(stateFd, name, provenance)) {
            continue;
        }
        ScopedFd folderFd(
            openat(stateFd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW));
        if (folderFd.IsOpen() && HoldsVisibleEntry(folderFd.Get())) {
            found.emplace_back(provenance.time, name);
        }
    }
    std::sort(found.begin(), found.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    std::vector<std::string> folders;
    folders.reserve(found.size());
    for (auto& [time, name] : found) {
        folders.push_back(std::move(name));
    }
    return folders;
}

void RemoveHoldingFolderIfEmpty(const FileRef& holdingFolder) {
    ScopedFd folderFd;
    std::vector<std::string> names;
    if (OpenFolderRef(holdingFolder, folderFd) != 0 || ListEntryNames(folderFd.Get(), names) != 0) {
        return;
    }
    if (!names.empty() && (names.size() != 1 || names.front() != kHeldProvenanceName)) {
        return;
    }
    unlinkat(folderFd.Get(), kHeldProvenanceName, 0);
    rmdir(holdingFolder.Path().c_str());
}

} // namespace ferrolet
