#include "EngineFixture.h"

#include "fileops/engine/FileEngine.h"

#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace ferrolet::test {

namespace {

char TypeOf(mode_t mode) {
    switch (mode & S_IFMT) {
    case S_IFREG:
        return 'f';
    case S_IFDIR:
        return 'd';
    case S_IFLNK:
        return 'l';
    case S_IFIFO:
        return 'p';
    case S_IFSOCK:
        return 's';
    case S_IFCHR:
        return 'c';
    case S_IFBLK:
        return 'b';
    default:
        return '?';
    }
}

std::map<std::string, std::string> UserXattrs(const std::string& path) {
    std::map<std::string, std::string> out;
    std::vector<char> names(65536);
    const ssize_t n = llistxattr(path.c_str(), names.data(), names.size());
    for (ssize_t at = 0; at < n;) {
        const std::string name = names.data() + at;
        at += static_cast<ssize_t>(name.size()) + 1;
        if (name.rfind("user.", 0) != 0) {
            continue;
        }
        std::vector<char> value(65536);
        const ssize_t v = lgetxattr(path.c_str(), name.c_str(), value.data(), value.size());
        out[name] = std::string(value.data(), v > 0 ? static_cast<size_t>(v) : 0);
    }
    return out;
}

void Capture(const std::string& path, const std::string& relative, TreeState& out) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        return;
    }
    EntryState& e = out[relative];
    e.type = TypeOf(st.st_mode);
    e.mode = st.st_mode & 07777;
    e.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    e.xattrs = UserXattrs(path);
    if (S_ISREG(st.st_mode)) {
        e.size = static_cast<uint64_t>(st.st_size);
        if (st.st_size < (1 << 20)) {
            std::ifstream in(path, std::ios::binary);
            std::stringstream bytes;
            bytes << in.rdbuf();
            e.contents = bytes.str();
        }
    } else if (S_ISLNK(st.st_mode)) {
        std::vector<char> target(static_cast<size_t>(st.st_size) + 1);
        const ssize_t n = readlink(path.c_str(), target.data(), target.size());
        e.linkTarget.assign(target.data(), n > 0 ? static_cast<size_t>(n) : 0);
    } else if (S_ISDIR(st.st_mode)) {
        e.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        DIR* dir = opendir(path.c_str());
        if (!dir) {
            return;
        }
        std::vector<std::string> names;
        while (const dirent* d = readdir(dir)) {
            const std::string name = d->d_name;
            if (name != "." && name != "..") {
                names.push_back(name);
            }
        }
        closedir(dir);
        for (const std::string& name : names) {
            Capture(path + "/" + name, relative + "/" + name, out);
        }
    }
}

} // namespace

TreeState CaptureTree(const std::string& path) {
    TreeState out;
    Capture(path, ".", out);
    return out;
}

std::string DescribeDifference(const TreeState& expected, const TreeState& actual) {
    for (const auto& [path, state] : expected) {
        const auto it = actual.find(path);
        if (it == actual.end()) {
            return "missing: " + path;
        }
        const EntryState& got = it->second;
        if (got.type != state.type) {
            return "type differs: " + path;
        }
        if (got.mode != state.mode) {
            return "mode differs: " + path;
        }
        if (got.mtimeNs != state.mtimeNs) {
            return "mtime differs: " + path;
        }
        if (got.size != state.size || got.contents != state.contents) {
            return "contents differ: " + path;
        }
        if (got.linkTarget != state.linkTarget) {
            return "link target differs: " + path;
        }
        if (got.xattrs != state.xattrs) {
            return "extended attributes differ: " + path;
        }
    }
    for (const auto& [path, state] : actual) {
        if (!expected.count(path)) {
            return "unexpected: " + path;
        }
    }
    return {};
}

void EngineTest::SetUp() {
    TempHome::SetUp();
    char tmpl[] = "/dev/shm/ferrolet-engine-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    m_otherRoot = tmpl;
}

void EngineTest::TearDown() {
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(
             m_otherRoot, std::filesystem::directory_options::skip_permission_denied, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) {
            chmod(it->path().c_str(), 0700);
        }
    }
    std::filesystem::remove_all(m_otherRoot, ec);
    TempHome::TearDown();
}

std::string EngineTest::OtherFsDir(const std::string& relative) {
    const std::string path = m_otherRoot + "/" + relative;
    std::filesystem::create_directories(path);
    return path;
}

int EngineTest::PartialCopiesIn(const std::string& folder) {
    int count = 0;
    DIR* dir = opendir(folder.c_str());
    if (!dir) {
        return 0;
    }
    while (const dirent* d = readdir(dir)) {
        if (std::string(d->d_name).rfind(kPartialCopyPrefix, 0) == 0) {
            ++count;
        }
    }
    closedir(dir);
    return count;
}

void EngineTest::SetXattr(const std::string& path, const std::string& name,
                          const std::string& value) {
    ASSERT_EQ(lsetxattr(path.c_str(), name.c_str(), value.data(), value.size(), 0), 0)
        << path << " " << name;
}

void EngineTest::SetMtime(const std::string& path, int64_t seconds, long nanoseconds) {
    const timespec times[2] = {{seconds, nanoseconds}, {seconds, nanoseconds}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

std::string EngineTest::Bytes(size_t size, char seed) {
    std::string out(size, '\0');
    uint32_t x = static_cast<unsigned char>(seed) * 2654435761u + 1;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        out[i] = static_cast<char>(x >> 16);
    }
    return out;
}

} // namespace ferrolet::test
