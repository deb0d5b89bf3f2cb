#include "ContextMenuInstaller.h"

#include "CommandLineQuoting.h"
#include "DolphinMenus.h"
#include "NemoMenus.h"
#include "ScriptMenus.h"
#include "ThunarMenus.h"
#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"
#include "util/AppPaths.h"
#include "util/Log.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace ferrolet {

namespace {

std::string DataHome() {
    const char* value = std::getenv("XDG_DATA_HOME");
    return value && value[0] == '/' ? std::string(value) : HomeDirectory() + "/.local/share";
}

// Why a file manager could not be served, in plain words.
QString Reason(const ContextMenuTarget& target, Status status) {
    if (status == EBADMSG) {
        return QStringLiteral("Ferrolet: left the %1 custom actions file alone: it is not a valid "
                              "actions file")
            .arg(target.Name());
    }
    if (status == EEXIST) {
        return QStringLiteral("Ferrolet: left the %1 scripts folder \"Ferrolet\" alone: it is not "
                              "Ferrolet's own (remove it to let Ferrolet write there)")
            .arg(target.Name());
    }
    return QStringLiteral("Ferrolet: could not write the %1 context menu: %2")
        .arg(target.Name(), QString::fromLocal8Bit(std::strerror(status)));
}

} // namespace

ContextMenuPlaces HomeContextMenuPlaces() {
    const std::string data = DataHome();
    const std::string config = ConfigDirectory();
    return {data + "/kio/servicemenus", data + "/nemo/actions", data + "/nautilus/scripts",
            config + "/caja/scripts", config + "/Thunar"};
}

std::vector<std::unique_ptr<ContextMenuTarget>>
ContextMenuTargets(const ContextMenuPlaces& places) {
    std::vector<std::unique_ptr<ContextMenuTarget>> targets;
    targets.push_back(std::make_unique<DolphinMenus>(places.dolphin));
    targets.push_back(std::make_unique<NemoMenus>(places.nemo));
    targets.push_back(std::make_unique<ScriptMenus>(QStringLiteral("Nautilus"), places.nautilus));
    targets.push_back(std::make_unique<ScriptMenus>(QStringLiteral("Caja"), places.caja));
    targets.push_back(std::make_unique<ThunarMenus>(places.thunar));
    return targets;
}

std::string OwnProgramPath() {
    char buffer[PATH_MAX + 1];
    const ssize_t n = readlink("/proc/self/exe", buffer, PATH_MAX);
    if (n <= 0) {
        return {};
    }
    std::string path(buffer, static_cast<size_t>(n));
    // An executable replaced by an upgrade reads as "<path> (deleted)".
    const std::string deleted = " (deleted)";
    if (path.ends_with(deleted) && access(path.c_str(), X_OK) != 0) {
        path.resize(path.size() - deleted.size());
    }
    // The entries call ferrolet, also when ferrolet-gui (the tray) writes them.
    return UserFacingProgram(path);
}

ContextMenuModel ContextMenuModelFromSettings(SettingsStore& settings, std::string program) {
    settings.Synchronize();
    return BuildContextMenuModel(FolderPathnames(settings, keys::PathnamesAliases),
                                 std::move(program));
}

void WriteContextMenus(const ContextMenuModel& model, const ContextMenuPlaces& places,
                       MenuScope scope, QStringList* written, QStringList* failed) {
    if (!UsableProgramPath(model.program)) {
        Log(QStringLiteral("Ferrolet: cannot write context-menu entries: the program's path "
                           "\"%1\" cannot be written into a command line")
                .arg(QString::fromStdString(model.program)));
        return;
    }
    for (const auto& target : ContextMenuTargets(places)) {
        if (scope == MenuScope::WhereInstalled && !target->Installed()) {
            continue;
        }
        if (const Status status = target->Write(model)) {
            Log(Reason(*target, status));
            if (failed) {
                *failed << target->Name();
            }
        } else if (written) {
            *written << target->Name();
        }
    }
}

void RemoveContextMenus(const ContextMenuPlaces& places, QStringList* failed) {
    for (const auto& target : ContextMenuTargets(places)) {
        if (const Status status = target->Remove()) {
            Log(Reason(*target, status));
            if (failed) {
                *failed << target->Name();
            }
        }
    }
}

void RefreshInstalledContextMenus(SettingsStore& settings) {
    const ContextMenuPlaces places = HomeContextMenuPlaces();
    bool anyInstalled = false;
    for (const auto& target : ContextMenuTargets(places)) {
        anyInstalled = anyInstalled || target->Installed();
    }
    if (!anyInstalled) {
        return; // the usual case: no need to resolve the list at all
    }
    WriteContextMenus(ContextMenuModelFromSettings(settings, OwnProgramPath()), places,
                      MenuScope::WhereInstalled);
}

int RunContextMenusCommand(bool install) {
    QStringList done;
    QStringList failed;
    if (install) {
        SettingsStore settings;
        MigrateOlderFolderLists(settings);
        WriteContextMenus(ContextMenuModelFromSettings(settings, OwnProgramPath()),
                          HomeContextMenuPlaces(), MenuScope::Everywhere, &done, &failed);
        if (!done.isEmpty()) {
            std::printf("Ferrolet's destinations are in the context menus of %s.\n",
                        done.join(QStringLiteral(", ")).toUtf8().constData());
        }
    } else {
        RemoveContextMenus(HomeContextMenuPlaces(), &failed);
        if (failed.isEmpty()) {
            std::printf("Ferrolet's destinations are out of every file manager's context menu.\n");
        }
    }
    return failed.isEmpty() && (!install || !done.isEmpty()) ? 0 : 1;
}

} // namespace ferrolet
