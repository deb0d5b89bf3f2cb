#include "SettingsFileTarget.h"

#include "platform/PathHelpers.h"

#include <cerrno>
#include <climits>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet {

namespace {

// As many links as the kernel follows in one path lookup.
constexpr int kMaxLinkHops = 40;

// The text of the link at path, or an empty string with errno set.
std::string ReadLinkText(const std::string& path) {
    std::string text(PATH_MAX, '\0');
    const ssize_t n = readlink(path.c_str(), text.data(), text.size());
    if (n < 0 || static_cast<size_t>(n) >= text.size()) {
        if (n >= 0) {
            errno = ENAMETOOLONG;
        }
        return {};
    }
    text.resize(static_cast<size_t>(n));
    return text;
}

} // namespace

std::string FolderOfFile(const std::string& path) {
    std::string parent = ParentOfPath(path);
    return parent.empty() ? std::string(".") : parent;
}

SettingsFileTarget FindSettingsFile(const std::string& settingsPath) {
    SettingsFileTarget target;
    target.path = settingsPath;
    for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
        struct stat st {};
        if (lstat(target.path.c_str(), &st) != 0) {
            target.kind = errno == ENOENT ? SettingsFileTarget::Kind::Missing
                                          : SettingsFileTarget::Kind::NotRegular;
            target.error = errno == ENOENT ? 0 : errno;
            return target;
        }
        target.device = st.st_dev;
        target.inode = st.st_ino;
        if (!S_ISLNK(st.st_mode)) {
            target.kind = S_ISREG(st.st_mode) ? SettingsFileTarget::Kind::Regular
                                              : SettingsFileTarget::Kind::NotRegular;
            return target;
        }
        const std::string text = ReadLinkText(target.path);
        if (text.empty()) {
            target.kind = SettingsFileTarget::Kind::NotRegular;
            target.error = errno;
            return target;
        }
        target.path = text.front() == '/' ? text : FolderOfFile(target.path) + "/" + text;
    }
    target.kind = SettingsFileTarget::Kind::NotRegular;
    target.error = ELOOP;
    return target;
}

} // namespace ferrolet
