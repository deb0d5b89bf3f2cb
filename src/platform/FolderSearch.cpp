#include "FolderSearch.h"

#include "ItemIdentity.h"
#include "PathHelpers.h"

#include <deque>
#include <dirent.h>
#include <fcntl.h>
#include <set>
#include <unistd.h>

namespace ferrolet {

namespace {

std::string Join(const std::string& folder, const char* name) {
    return folder == "/" ? "/" + std::string(name) : folder + "/" + name;
}

class Search {
public:
    Search(const FolderRecordFields& fields, const SearchBounds& bounds)
        : m_fields(fields), m_bounds(bounds),
          m_deadline(std::chrono::steady_clock::now() + bounds.maxTime) {}

    // Reads root and the folders below it to the depth allowed; true when
    // the item was found.
    bool Around(const std::string& root, std::string& foundPath, struct stat& st) {
        std::deque<std::pair<std::string, int>> queue{{root, 0}};
        while (!queue.empty() && !Exhausted()) {
            auto [folder, depth] = std::move(queue.front());
            queue.pop_front();
            if (!m_read.insert(folder).second) {
                continue;
            }
            if (ReadFolder(folder, depth, queue, foundPath, st)) {
                return true;
            }
        }
        return false;
    }

    bool Exhausted() const {
        return m_entries >= m_bounds.maxEntries || std::chrono::steady_clock::now() >= m_deadline;
    }

private:
    bool ReadFolder(const std::string& folder, int depth,
                    std::deque<std::pair<std::string, int>>& queue, std::string& foundPath,
                    struct stat& st) {
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            return false; // unreadable or gone: nothing to find here
        }
        DIR* dir = fdopendir(fd);
        if (!dir) {
            close(fd);
            return false;
        }
        bool found = false;
        while (const dirent* entry = readdir(dir)) {
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
                continue;
            }
            if (++m_entries > m_bounds.maxEntries) {
                break;
            }
            if (static_cast<uint64_t>(entry->d_ino) == m_fields.inode &&
                ItemMatches(dirfd(dir), name, m_fields, st)) {
                foundPath = Join(folder, name);
                found = true;
                break;
            }
            if (depth < m_bounds.depthBelow && name[0] != '.' && IsFolder(dirfd(dir), entry)) {
                queue.emplace_back(Join(folder, name), depth + 1);
            }
        }
        closedir(dir);
        return found;
    }

    static bool IsFolder(int dirFd, const dirent* entry) {
        if (entry->d_type != DT_UNKNOWN) {
            return entry->d_type == DT_DIR;
        }
        struct stat st {};
        return fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
    }

    const FolderRecordFields& m_fields;
    const SearchBounds& m_bounds;
    const std::chrono::steady_clock::time_point m_deadline;
    std::set<std::string> m_read;
    size_t m_entries = 0;
};

} // namespace

bool SearchNearby(const FolderRecordFields& fields, const std::string& startFolder,
                  std::string& foundPath, struct stat& st, const SearchBounds& bounds) {
    if (startFolder.empty() || startFolder[0] != '/') {
        return false;
    }
    Search search(fields, bounds);
    std::string root = startFolder;
    for (int level = 0; level <= bounds.levelsUp && !search.Exhausted(); ++level) {
        if (search.Around(root, foundPath, st)) {
            return true;
        }
        if (root == "/") {
            break;
        }
        root = ParentOfPath(root);
    }
    return false;
}

} // namespace ferrolet
