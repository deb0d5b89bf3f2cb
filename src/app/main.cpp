// ferrolet-gui: the program with windows (the tray, the preferences window,
// folder dialogs, progress windows). `ferrolet` runs everything that needs
// no window itself and hands the rest to this program with the same
// arguments, so that a quick command never loads the window system.
#include "app/AppCore.h"
#include "app/CommandLine.h"
#include "app/ConsoleModes.h"
#include "app/OfferedCommand.h"
#include "app/gui/AppController.h"
#include "app/gui/ControlAdaptor.h"
#include "app/gui/GuiPlatform.h"
#include "app/gui/ProgressWindow.h"
#include "contextmenus/ContextMenuInstaller.h"
#include "desktop/DesktopPlatform.h"
#include "history/Recovery.h"
#include "prefs/PreferencesWindow.h"
#include "services/ServiceClient.h"
#include "services/ServicePaths.h"
#include "services/ServicesAdaptor.h"
#include "settings/FolderLists.h"

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusReply>

#include <cstdio>

using namespace ferrolet;

namespace {

// --command TAG [--ask] [PATH...] that may show windows: the folder dialog,
// or the progress window (with Cancel) of a run that lasts. In the running
// instance when there is one, so its selection, cut state and windows are
// the ones used; otherwise here. With paths, exactly those items are the
// selection.
int RunCommandLine(int argc, char** argv, int tag, bool ask, const QStringList& paths) {
    QApplication app(argc, argv);
    if (const std::optional<int> status = CommandInRunningInstance(tag, ask, paths)) {
        return *status;
    }
    GuiPlatform platform;
    ProgressWindow progressWindow;
    return RunCommandHere(platform, &progressWindow, tag, ask, paths);
}

// --service "<user data>" PATH...: delivered to the running instance
// (started first when there is none); run here only when no instance can be
// reached. The arguments are read as raw bytes, so a name that is not UTF-8
// stays unusable instead of turning into another name.
int RunServiceCommandLine(int argc, char** argv) {
    std::unique_ptr<QCoreApplication> app;
    if (HaveDisplay()) {
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    const ServiceRequest request = ServiceRequestFromArguments(argc, argv);
    QDBusConnection bus = QDBusConnection::sessionBus();
    switch (DeliverServiceRequest(request, bus, QCoreApplication::applicationFilePath())) {
    case ServiceDelivery::Delivered:
        return 0;
    case ServiceDelivery::Failed:
        std::fprintf(stderr, "ferrolet: the running instance did not complete the request\n");
        return 1;
    case ServiceDelivery::NoBus:
    case ServiceDelivery::NotReached:
        break;
    }
    SettingsStore settings;
    MigrateOlderFolderLists(settings);
    GuiPlatform platform;
    AppCore core(settings, platform, AppCore::Menus::Later);
    // No tray here, so no Move Service window for the window entries.
    core.HandleServiceRequest(MoveServiceWindowHooks{}, request.paths, request.userData);
    platform.FinishPendingRequests(kPendingRequestsPatience);
    return 0;
}

// A changed destination list (Add or Remove Folder, the preferences window)
// reaches the file managers' context menus where the user installed them;
// so does one changed while Ferrolet was not running.
void FollowDestinationList(AppCore& core, PreferencesWindow& prefPane, SettingsStore& settings) {
    core.updatePathnamesTable = [&prefPane, &settings] {
        prefPane.updatePathnamesTable();
        RefreshInstalledContextMenus(settings);
    };
    prefPane.Model().onPathnamesStored = [&settings] { RefreshInstalledContextMenus(settings); };
    RefreshInstalledContextMenus(settings);
}

int RunTray(int argc, char** argv, bool showPreferences) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Ferrolet"));
    QApplication::setApplicationVersion(QStringLiteral(FERROLET_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("com.quorvane.Ferrolet"));
    QApplication::setQuitOnLastWindowClosed(false);

    QDBusConnection bus = QDBusConnection::sessionBus();
    const bool haveBus = bus.isConnected();
    // One instance per user: hand over to the running one.
    auto handOver = [showPreferences] {
        if (auto remote = RunningInstance()) {
            remote->call(showPreferences ? QStringLiteral("ShowPreferences")
                                         : QStringLiteral("Activate"));
        }
        return 0;
    };
    if (haveBus && bus.interface()->isServiceRegistered(QString::fromLatin1(kBusService))) {
        return handOver();
    }

    SettingsStore settings;
    MigrateOlderFolderLists(settings);
    GuiPlatform platform;
    AppCore core(settings, platform);
    AppController controller(core);
    ProgressWindow progressWindow;
    core.watcher = &progressWindow;
    // The preferences window is loaded at launch, as its lists and switches
    // are; it is shown only when asked for.
    auto* prefPane = new PreferencesWindow(settings, platform);
    controller.SetPreferencesWindow(prefPane);
    SavePreferencesOnEveryClose(*prefPane);
    FollowDestinationList(core, *prefPane, settings);
    QObject busRoot;
    new ControlAdaptor(&busRoot, core, controller);
    const MoveServiceWindowHooks window{[&controller] { controller.OpenMoveServiceWindow(); },
                                        [&controller] { controller.CloseMoveServiceWindow(); }};
    auto* services = new ServicesAdaptor(
        &busRoot, bus, [&core, window](const QStringList& paths, const QString& userData) {
            core.HandleServiceRequest(window, paths, userData);
        });
    services->Queue().WaitWhile([&core] { return core.CommandRunning(); });
    // The objects are in place before the name is taken, so no caller that
    // sees the name can find them missing.
    if (haveBus) {
        bus.registerObject(QString::fromLatin1(kBusPath), &busRoot,
                           QDBusConnection::ExportAdaptors);
        if (!bus.registerService(QString::fromLatin1(kBusService))) {
            // Another instance took the name meanwhile.
            return handOver();
        }
    }
    RecoverBeforeCommand(platform); // what a killed run left, before anything else
    controller.Start();
    if (showPreferences) {
        controller.ShowPreferences();
    }
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    const std::optional<CommandLine> cl = ParseProgramArguments(argc, argv);
    if (!cl) {
        return 2;
    }
    // What needs no window runs the same here as in the program without
    // windows that hands the rest over to this one.
    if (const std::optional<int> status = RunWithoutWindows(argc, argv, *cl)) {
        return *status;
    }
    switch (cl->mode) {
    case CommandLine::Mode::Preferences: {
        QCoreApplication probe(argc, argv);
        if (auto remote = RunningInstance()) {
            remote->call(QStringLiteral("ShowPreferences"));
            return 0;
        }
    }
        return RunTray(argc, argv, true);
    case CommandLine::Mode::Command:
        return RunCommandLine(argc, argv, cl->tag, cl->ask,
                              ArgumentPaths(argc, argv, cl->firstPath));
    case CommandLine::Mode::Service:
        return RunServiceCommandLine(argc, argv);
    default:
        break;
    }
    return RunTray(argc, argv, false);
}
