#include "DolphinMenus.h"

#include "CommandLineQuoting.h"
#include "MenuFiles.h"

#include <cerrno>
#include <unistd.h>

namespace ferrolet {

std::string DolphinServiceMenu(const ContextMenuModel& model) {
    const QString program = DesktopExecArgument(QString::fromStdString(model.program));
    QString actions;
    QString groups;
    for (const ContextMenuEntry& entry : model.entries) {
        actions += entry.id + QLatin1Char(';');
        groups += QStringLiteral("\n[Desktop Action %1]\nName=%2\nIcon=%3\n"
                                 "Exec=%4 --command %5 -- %F\n")
                      .arg(entry.id, KeyFileValue(entry.FlatTitle()), entry.icon, program,
                           QString::number(entry.tag));
    }
    return QStringLiteral("[Desktop Entry]\n# %1; replaced whenever your destinations change.\n"
                          "Type=Service\nX-KDE-ServiceTypes=KonqPopupMenu/Plugin\n"
                          "MimeType=all/all;\nActions=%2\nX-KDE-Submenu=Ferrolet\n"
                          "Name=Ferrolet\nIcon=ferrolet\n")
               .arg(QLatin1String(kGeneratedMark), actions)
               .toStdString() +
           groups.toStdString();
}

bool DolphinMenus::Installed() const {
    return IsOurFile(m_folder + "/" + kFileName);
}

Status DolphinMenus::Write(const ContextMenuModel& model) {
    if (const Status status = MakeFolders(m_folder, 0755)) {
        return status;
    }
    return ReplaceFile(m_folder, kFileName, DolphinServiceMenu(model), 0755);
}

Status DolphinMenus::Remove() {
    const std::string path = m_folder + "/" + kFileName;
    if (!IsOurFile(path)) {
        return 0;
    }
    return unlink(path.c_str()) == 0 || errno == ENOENT ? 0 : LastErrnoStatus();
}

} // namespace ferrolet
