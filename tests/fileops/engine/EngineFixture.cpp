#include "EngineFixture.h"

#include "fileops/engine/FileEngine.h"

#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace ferrolet::test {

namespace {

std::map<std::string, std::string> UserXattrs(const std::string& path) {
    std::map<std::string, std::string> out;
    std::vector<char> names(65536);
    const ssize_t n = llistxattr(path.c_str(), names.data(), names.size());
    for (ssize_t at = 0; at < n;) {
        const std::string name = names.data() + at;
        at += static_cast<ssize_t>(name.size()) + 1;
        std::vector<char> value(65536);
        const ssize_t v = lgetxattr(path.c_str(), name.c_str(), value.data(), value.size());
        if (name.starts_with("user.")) {
            out[name] = std::string(value.data(), v > 0 ? static_cast<size_t>(v) : 0);
        }
    }
    return out;
}

void Capture(const std::string& path, const std::string& relative, TreeState& out) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        return;
    }
    EntryState& e = out[relative];
    e.mode = st.st_mode;
    e.mtimeNs = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    e.xattrs = UserXattrs(path);
    std::error_code ec;
    if (S_ISREG(st.st_mode)) {
        e.size = static_cast<uint64_t>(st.st_size);
        e.contents = st.st_size < (1 << 20) ? TempHome::ReadFile(path) : std::string();
    } else if (S_ISLNK(st.st_mode)) {
        e.linkTarget = std::filesystem::read_symlink(path, ec).string();
    } else if (S_ISDIR(st.st_mode)) {
        for (const auto& entry : std::filesystem::directory_iterator(path, ec)) {
            const std::string name = entry.path().filename().string();
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
        if (!(it->second == state)) {
            return "differs: " + path;
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
    // Tests leave read-only folders behind; open them so they can go.
    RunProgram({"chmod", "-R", "u+rwx", m_otherRoot});
    std::error_code ec;
    std::filesystem::remove_all(m_otherRoot, ec);
    TempHome::TearDown();
}

std::string EngineTest::OtherFsDir(const std::string& relative) {
    const std::string path = m_otherRoot + "/" + relative;
    std::filesystem::create_directories(path);
    return path;
}

int EngineTest::PartialCopiesIn(const std::string& folder) {
    const std::vector<std::string> names = Names(folder);
    return static_cast<int>(std::count_if(names.begin(), names.end(), [](const std::string& n) {
        return n.starts_with(kPartialCopyPrefix);
    }));
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
