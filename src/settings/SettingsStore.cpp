#include "SettingsStore.h"

#include "PlistCodec.h"
#include "SettingsFileTarget.h"
#include "util/AppPaths.h"
#include "util/Files.h"
#include "util/Log.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace ferrolet {

namespace {

QString ErrnoText(int e) {
    return QString::fromLocal8Bit(std::strerror(e));
}

bool WriteAll(int fd, const QByteArray& bytes) {
    const char* p = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = write(fd, p, static_cast<size_t>(left));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        left -= n;
    }
    return true;
}

// Settings files are small; anything past this is not ours.
constexpr off_t kMaxSettingsFileSize = 64 * 1024 * 1024;

// How long a save waits for another process's lock: a writer holds it for
// milliseconds, so one that keeps it longer is stuck, and waiting on it
// would freeze Add Folder and every other save behind it.
constexpr auto kLockPatience = std::chrono::seconds(2);
constexpr auto kLockPoll = std::chrono::milliseconds(20);

// How long a file that cannot be parsed gets to be finished by whoever is
// writing it before it counts as unreadable.
constexpr auto kHalfWrittenPause = std::chrono::milliseconds(50);

// Takes the lock that orders writers of the settings file, waiting at most
// kLockPatience; -1 with errno set when the lock file cannot be opened
// (or EWOULDBLOCK when another process kept the lock).
int LockSettingsFile(const std::string& lockPath) {
    const int lockFd = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd < 0) {
        return -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + kLockPatience;
    while (flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
        if (errno != EINTR &&
            (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline)) {
            const int e = errno;
            close(lockFd);
            errno = e;
            return -1;
        }
        std::this_thread::sleep_for(kLockPoll);
    }
    return lockFd;
}

// Lays the pending changes over the values key by key; an invalid value
// removes its key.
void ApplyPending(QVariantMap& values, const std::map<QString, QVariant>& pending) {
    for (const auto& [key, value] : pending) {
        if (value.isValid()) {
            values.insert(key, value);
        } else {
            values.remove(key);
        }
    }
}

// Why a save failed: the path named in the log line and the errno.
struct SaveFailure {
    std::string path;
    int error = 0;
};

// Replaces path with bytes so that a reader sees the old file or the new one,
// never part of one: a temporary file in the same folder, flushed to disk,
// renamed over path, then the folder flushed so the rename lasts.
bool ReplaceFileDurably(const std::string& path, const std::string& dir, const QByteArray& bytes,
                        SaveFailure& failure) {
    std::string tmp = path + ".XXXXXX";
    const int fd = mkostemp(tmp.data(), O_CLOEXEC);
    if (fd < 0) {
        failure = {dir, errno};
        return false;
    }
    fchmod(fd, 0600);
    if (!WriteAll(fd, bytes) || fsync(fd) != 0) {
        const int e = errno;
        close(fd);
        unlink(tmp.c_str());
        failure = {tmp, e};
        return false;
    }
    close(fd);
    if (rename(tmp.c_str(), path.c_str()) != 0) {
        const int e = errno;
        unlink(tmp.c_str());
        failure = {path, e};
        return false;
    }
    if (const int dirFd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
        fsync(dirFd);
        close(dirFd);
    }
    return true;
}

} // namespace

SettingsStore::SettingsStore(std::string filePath) : m_filePath(std::move(filePath)) {}

std::string SettingsStore::DefaultFilePath() {
    return ConfigDirectory() + "/" + kSettingsDomain + ".plist";
}

QVariant SettingsStore::Value(const QString& key) const {
    if (auto it = m_pending.find(key); it != m_pending.end()) {
        return it->second;
    }
    return m_values.value(key);
}

void SettingsStore::SetAppValue(const QString& key, const QVariant& value) {
    m_pending[key] = value;
}

QStringList SettingsStore::Keys() const {
    QStringList keys = m_values.keys();
    for (const auto& [key, value] : m_pending) {
        if (value.isValid() && !keys.contains(key)) {
            keys.append(key);
        } else if (!value.isValid()) {
            keys.removeAll(key);
        }
    }
    return keys;
}

SettingsStore::Stamp SettingsStore::CurrentStamp() const {
    Stamp s;
    struct stat st {};
    if (stat(m_filePath.c_str(), &st) != 0) {
        return s;
    }
    s.exists = true;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    s.ctimeNs = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
    return s;
}

namespace {

// The whole of a small regular file; false when it cannot be read.
bool ReadWholeFile(int fd, off_t size, QByteArray& bytes) {
    bytes.resize(static_cast<qsizetype>(size));
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t n = read(fd, bytes.data() + got, static_cast<size_t>(bytes.size() - got));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            break;
        }
        got += n;
    }
    bytes.truncate(got);
    return true;
}

} // namespace

SettingsStore::ReadResult SettingsStore::ReadFile(QVariantMap& values, Stamp& stamp) const {
    values.clear();
    stamp = Stamp();
    const SettingsFileTarget target = FindSettingsFile(m_filePath);
    if (target.kind == SettingsFileTarget::Kind::Missing) {
        return ReadResult::Read;
    }
    if (target.kind == SettingsFileTarget::Kind::NotRegular) {
        stamp = CurrentStamp();
        return ReadResult::Refused;
    }
    // Non-blocking and checked again once open: what stands there may have
    // changed since it was looked at.
    const int fd = open(target.path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        // Unreadable is not ours to replace: it counts as corrupt (and is
        // kept aside before a write); a link put there meanwhile is refused.
        if (errno == ENOENT) {
            return ReadResult::Read;
        }
        return errno == ELOOP ? ReadResult::Refused : ReadResult::Unreadable;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return ReadResult::Refused;
    }
    QByteArray bytes;
    const bool read = st.st_size <= kMaxSettingsFileSize && ReadWholeFile(fd, st.st_size, bytes);
    close(fd);
    stamp.exists = true;
    stamp.device = st.st_dev;
    stamp.inode = st.st_ino;
    stamp.size = st.st_size;
    stamp.mtimeNs = static_cast<long long>(st.st_mtim.tv_sec) * 1000000000LL + st.st_mtim.tv_nsec;
    stamp.ctimeNs = static_cast<long long>(st.st_ctim.tv_sec) * 1000000000LL + st.st_ctim.tv_nsec;
    auto parsed = read ? ParsePlistDictionary(bytes) : std::nullopt;
    if (!parsed) {
        return ReadResult::Unreadable;
    }
    values = std::move(*parsed);
    return ReadResult::Read;
}

SettingsStore::ReadResult SettingsStore::ReadSettledFile(QVariantMap& values, Stamp& stamp) const {
    const ReadResult first = ReadFile(values, stamp);
    if (first != ReadResult::Unreadable) {
        return first;
    }
    std::this_thread::sleep_for(kHalfWrittenPause);
    return ReadFile(values, stamp);
}

void SettingsStore::KeepCorruptFileAside(const std::string& filePath) {
    std::string aside = filePath + ".corrupt";
    for (int n = 1; n < 1000; ++n) {
        if (renameat2(AT_FDCWD, filePath.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) {
            Log(QStringLiteral("Ferrolet: the unreadable settings file was kept as %1")
                    .arg(QString::fromUtf8(aside.c_str())));
            return;
        }
        if (errno != EEXIST) {
            return;
        }
        aside = filePath + ".corrupt." + std::to_string(n);
    }
}

void SettingsStore::ReportReadTrouble(ReadResult result) {
    if (result == ReadResult::Unreadable && !m_reportedCorrupt) {
        m_reportedCorrupt = true;
        Log(QStringLiteral("Ferrolet: the settings file %1 could not be read; defaults apply")
                .arg(QString::fromUtf8(m_filePath.c_str())));
    } else if (result == ReadResult::Refused && !m_reportedRefused) {
        m_reportedRefused = true;
        Log(QStringLiteral("Ferrolet: the settings file %1 is not a regular file; defaults apply "
                           "and nothing is written over it")
                .arg(QString::fromUtf8(m_filePath.c_str())));
    }
}

void SettingsStore::BeginLook() {
    if (m_looks++ == 0) {
        m_lookTaken = false;
    }
}

void SettingsStore::EndLook() {
    if (m_looks > 0) {
        --m_looks;
    }
}

bool SettingsStore::Synchronize() {
    if (m_pending.empty()) {
        if (m_looks > 0 && m_lookTaken && m_loaded) {
            return true;
        }
        m_lookTaken = m_looks > 0;
        const Stamp now = CurrentStamp();
        if (m_loaded && now == m_stamp) {
            return true;
        }
        QVariantMap values;
        Stamp stamp;
        const ReadResult result = ReadSettledFile(values, stamp);
        m_values = std::move(values);
        m_stamp = stamp;
        m_loaded = true;
        m_corruptOnDisk = result == ReadResult::Unreadable;
        ReportReadTrouble(result);
        return true;
    }
    return WriteMerged();
}

bool SettingsStore::WriteMerged() {
    auto fail = [this](const std::string& what, int e) {
        if (!m_reportedWriteFailure) {
            m_reportedWriteFailure = true;
            Log(QStringLiteral("Ferrolet: could not save the settings (%1): %2")
                    .arg(QString::fromUtf8(what.c_str()), ErrnoText(e)));
        }
        return false;
    };
    if (const std::string dir = FolderOfFile(m_filePath);
        const Status status = MakeFolders(dir, 0700)) {
        return fail(dir, status);
    }
    // Through the settings path's links to the file itself: it is what is
    // locked, merged and replaced, so the links stay links.
    const SettingsFileTarget target = FindSettingsFile(m_filePath);
    if (target.kind == SettingsFileTarget::Kind::NotRegular) {
        ReportReadTrouble(ReadResult::Refused);
        return false;
    }
    const std::string lockPath = target.path + ".lock";
    const int lockFd = LockSettingsFile(lockPath);
    if (lockFd < 0) {
        return fail(lockPath, errno);
    }

    // Take in what other writers stored, then lay our changes over it key by key.
    QVariantMap merged;
    Stamp stamp;
    const ReadResult result = ReadSettledFile(merged, stamp);
    if (result == ReadResult::Refused) {
        close(lockFd);
        ReportReadTrouble(result);
        return false;
    }
    if (result == ReadResult::Unreadable) {
        ReportReadTrouble(result);
        KeepCorruptFileAside(target.path);
    }
    ApplyPending(merged, m_pending);

    SaveFailure failure;
    const bool written = ReplaceFileDurably(target.path, FolderOfFile(target.path),
                                            SerializePlistXml(merged), failure);
    close(lockFd);
    if (!written) {
        return fail(failure.path, failure.error);
    }

    m_values = std::move(merged);
    m_pending.clear();
    m_stamp = CurrentStamp();
    m_loaded = true;
    m_corruptOnDisk = false;
    m_reportedWriteFailure = false;
    return true;
}

} // namespace ferrolet
