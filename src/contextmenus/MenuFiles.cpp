#include "MenuFiles.h"

#include "util/Files.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet {

Status ForEachEntry(const std::string& folder,
                    const std::function<void(const std::string&)>& visit) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return LastErrnoStatus();
    }
    DIR* dir = fdopendir(fd);
    if (!dir) {
        const Status status = LastErrnoStatus();
        close(fd);
        return status;
    }
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    closedir(dir);
    for (const std::string& name : names) {
        visit(name); // after reading, so visit may remove entries
    }
    return 0;
}

bool IsOurFile(const std::string& path) {
    const std::optional<std::string> content = ReadWholeFile(path);
    return content && content->substr(0, 512).find(kGeneratedMark) != std::string::npos;
}

} // namespace ferrolet
