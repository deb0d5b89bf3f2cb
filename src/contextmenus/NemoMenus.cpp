#include "NemoMenus.h"

#include "CommandLineQuoting.h"
#include "MenuFiles.h"

#include <algorithm>
#include <unistd.h>

namespace ferrolet {

namespace {

constexpr const char* kPrefix = "ferrolet-dest-";
constexpr const char* kSuffix = ".nemo_action";

std::string FileNameOf(const ContextMenuEntry& entry) {
    return kPrefix + entry.id.toStdString() + kSuffix;
}

bool IsOurName(const std::string& name) {
    return name.starts_with(kPrefix) && name.ends_with(kSuffix);
}

} // namespace

std::string NemoAction(const ContextMenuModel& model, const ContextMenuEntry& entry) {
    const QString title = KeyFileValue(entry.FlatTitle());
    return QStringLiteral("[Nemo Action]\n# %1; replaced whenever your destinations change.\n"
                          "Name=%2\nComment=Ferrolet: %2\nExec=%3 --command %4 -- %F\n"
                          "Icon-Name=%5\nSelection=notnone\nExtensions=any;\nQuote=double\n")
        .arg(QLatin1String(kGeneratedMark), title,
             DesktopExecArgument(QString::fromStdString(model.program)), QString::number(entry.tag),
             entry.icon)
        .toStdString();
}

bool NemoMenus::Installed() const {
    bool found = false;
    ForEachEntry(m_folder, [&](const std::string& name) {
        found = found || (IsOurName(name) && IsOurFile(m_folder + "/" + name));
    });
    return found;
}

Status NemoMenus::RemoveOurs(const std::vector<std::string>& keep) {
    Status result = 0;
    const Status listed = ForEachEntry(m_folder, [&](const std::string& name) {
        if (IsOurName(name) && std::find(keep.begin(), keep.end(), name) == keep.end() &&
            IsOurFile(m_folder + "/" + name) && unlink((m_folder + "/" + name).c_str()) != 0) {
            result = LastErrnoStatus();
        }
    });
    return listed == ENOENT ? 0 : (listed != 0 ? listed : result);
}

Status NemoMenus::Write(const ContextMenuModel& model) {
    if (const Status status = MakeFolders(m_folder, 0755)) {
        return status;
    }
    std::vector<std::string> written;
    for (const ContextMenuEntry& entry : model.entries) {
        written.push_back(FileNameOf(entry));
        if (const Status status =
                ReplaceFile(m_folder, written.back(), NemoAction(model, entry), 0644)) {
            return status;
        }
    }
    return RemoveOurs(written);
}

Status NemoMenus::Remove() {
    return RemoveOurs({});
}

} // namespace ferrolet
