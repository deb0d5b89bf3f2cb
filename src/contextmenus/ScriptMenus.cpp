#include "ScriptMenus.h"

#include "CommandLineQuoting.h"
#include "MenuFiles.h"

#include <sys/stat.h>
#include <unistd.h>

namespace ferrolet {

namespace {

bool IsFolder(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

} // namespace

std::string MenuScript(const ContextMenuModel& model, const ContextMenuEntry& entry) {
    return QStringLiteral("#!/bin/sh\n# %1; replaced whenever your destinations change.\n"
                          "# Ferrolet: %2\n"
                          "# The selected items arrive as arguments and leave as arguments.\n"
                          "exec %3 --command %4 -- \"$@\"\n")
        .arg(QLatin1String(kGeneratedMark), entry.FlatTitle(),
             ShellArgument(QString::fromStdString(model.program)), QString::number(entry.tag))
        .toStdString();
}

bool ScriptMenus::Installed() const {
    return IsFolder(m_root) && IsOurFile(m_root + "/" + kMarker);
}

Status ScriptMenus::Write(const ContextMenuModel& model) {
    if (Exists(m_root) && !Installed()) {
        return EEXIST;
    }
    if (const Status status = MakeFolders(m_root, 0755)) {
        return status;
    }
    const std::string marker =
        std::string("# ") + kGeneratedMark + ": this folder is Ferrolet's.\n";
    if (const Status status = ReplaceFile(m_root, kMarker, marker, 0644)) {
        return status;
    }
    std::set<std::string> written;
    for (const ContextMenuEntry& entry : model.entries) {
        const std::string folder =
            entry.group.isEmpty() ? m_root : m_root + "/" + entry.group.toStdString();
        const std::string name = entry.title.toStdString();
        std::string path = folder;
        path.append("/").append(name);
        Status status = MakeFolders(folder, 0755);
        if (status == 0) {
            status = ReplaceFile(folder, name, MenuScript(model, entry), 0755);
        }
        if (status != 0) {
            return status;
        }
        written.insert(path);
    }
    RemoveStale(written);
    return 0;
}

void ScriptMenus::RemoveStale(const std::set<std::string>& keep) {
    auto removeFile = [&](const std::string& path) {
        if (!keep.contains(path) && IsOurFile(path)) {
            unlink(path.c_str());
        }
    };
    ForEachEntry(m_root, [&](const std::string& name) {
        const std::string path = m_root + "/" + name;
        if (name == kMarker) {
            return;
        }
        if (!IsFolder(path)) {
            removeFile(path);
            return;
        }
        ForEachEntry(path, [&](const std::string& inner) { removeFile(path + "/" + inner); });
        rmdir(path.c_str()); // stays when the user put something of their own there
    });
}

Status ScriptMenus::Remove() {
    if (!Installed()) {
        return 0;
    }
    RemoveStale({});
    unlink((m_root + "/" + kMarker).c_str());
    if (rmdir(m_root.c_str()) != 0 && errno != ENOENT) {
        return LastErrnoStatus(); // something of the user's is still in it
    }
    return 0;
}

} // namespace ferrolet
