#include "TestEnvironment.h"

#include "util/Log.h"

#include <QMutex>
#include <QRegularExpression>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

extern char** environ;

namespace ferrolet::test {

namespace {
QMutex g_logMutex;
QStringList g_log;
} // namespace

void TempHome::SetUp() {
    char tmpl[] = "/tmp/ferrolet-test-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    m_root = tmpl;
    const std::string home = m_root + "/home";
    std::filesystem::create_directories(home);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    setenv("XDG_STATE_HOME", (home + "/.local/state").c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home + "/.cache").c_str(), 1);
    ClearLog();
    SetLogSink([](const QString& line) {
        QMutexLocker lock(&g_logMutex);
        g_log.append(line);
    });
}

void TempHome::TearDown() {
    SetLogSink({});
    std::error_code ec;
    // Make everything removable again (tests drop permissions on purpose).
    for (auto it = std::filesystem::recursive_directory_iterator(
             m_root, std::filesystem::directory_options::skip_permission_denied, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec) && !it->is_symlink(ec)) {
            chmod(it->path().c_str(), 0700);
        }
    }
    chmod(m_root.c_str(), 0700);
    std::filesystem::remove_all(m_root, ec);
}

std::string TempHome::Path(const std::string& relative) const {
    return m_root + "/" + relative;
}

std::string TempHome::MakeDir(const std::string& relative) const {
    const std::string path = Path(relative);
    std::filesystem::create_directories(path);
    return path;
}

std::string TempHome::WriteFile(const std::string& relative, const std::string& contents) const {
    const std::string path = Path(relative);
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

std::string TempHome::ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool TempHome::Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> TempHome::Names(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

ino_t TempHome::Inode(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

FileRef TempHome::Ref(const std::string& path) {
    FileRef ref;
    EXPECT_EQ(FileRef::FromPath(path, ref), 0) << path;
    return ref;
}

FileRef TempHome::FolderRef(const std::string& path) {
    FileRef ref;
    EXPECT_EQ(FileRef::FromPath(path, ref, FileRef::Leaf::Follow), 0) << path;
    return ref;
}

std::optional<std::string> TempHome::Comment(const std::string& path) {
    char buffer[4096];
    const ssize_t n = lgetxattr(path.c_str(), "user.xdg.comment", buffer, sizeof buffer);
    return n < 0 ? std::nullopt : std::optional(std::string(buffer, static_cast<size_t>(n)));
}

bool TempHome::SetComment(const std::string& path, const std::string& text) {
    return lsetxattr(path.c_str(), "user.xdg.comment", text.data(), text.size(), 0) == 0;
}

int TempHome::CountLog(const QString& pattern) const {
    const QRegularExpression re(QRegularExpression::anchoredPattern(pattern));
    QMutexLocker lock(&g_logMutex);
    return static_cast<int>(std::count_if(g_log.begin(), g_log.end(), [&](const QString& line) {
        return re.match(line).hasMatch();
    }));
}

const QStringList& TempHome::LogLines() const {
    return g_log;
}

void TempHome::ClearLog() {
    QMutexLocker lock(&g_logMutex);
    g_log.clear();
}

QStringList Paths(const std::vector<std::string>& paths) {
    QStringList list;
    for (const std::string& p : paths) {
        list << QString::fromStdString(p);
    }
    return list;
}

int RunProgram(const std::vector<std::string>& argv, std::string* out) {
    int outPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    std::string collected;
    char buf[65536];
    ssize_t n;
    while (rc == 0 && (n = read(outPipe[0], buf, sizeof buf)) > 0) {
        collected.append(buf, static_cast<size_t>(n));
    }
    close(outPipe[0]);
    int status = 0;
    if (rc != 0 || waitpid(pid, &status, 0) != pid) {
        return -1;
    }
    if (out) {
        *out = collected;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace ferrolet::test
