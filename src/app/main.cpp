#include "app/AppCore.h"
#include "app/CommandLine.h"
#include "app/OfferedCommand.h"
#include "app/SettingsReport.h"
#include "app/UndoCommands.h"
#include "app/gui/AppController.h"
#include "app/gui/ControlAdaptor.h"
#include "app/gui/GuiPlatform.h"
#include "app/gui/ProgressWindow.h"
#include "contextmenus/ContextMenuInstaller.h"
#include "desktop/DesktopPlatform.h"
#include "history/Recovery.h"
#include "history/Undo.h"
#include "journal/JournalStore.h"
#include "platform/Autostart.h"
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

// How long a command run from the command line waits, once done, for the
// file manager to answer its reveal (one started by the bus takes a moment)
// and for its sounds to end.
constexpr std::chrono::milliseconds kPendingRequestsPatience{3000};

void Print(const QString& text) {
    std::fputs(text.toUtf8().constData(), stdout);
}

// The running instance on the session bus, when there is one.
std::unique_ptr<QDBusInterface> RunningInstance() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() ||
        !bus.interface()->isServiceRegistered(QString::fromLatin1(kBusService))) {
        return nullptr;
    }
    auto iface = std::make_unique<QDBusInterface>(QString::fromLatin1(kBusService),
                                                  QString::fromLatin1(kBusPath),
                                                  QString::fromLatin1(kControlInterface), bus);
    iface->setTimeout(10 * 60 * 1000);
    return iface->isValid() ? std::move(iface) : nullptr;
}

int PrintMenu(int argc, char** argv, bool moveService) {
    QCoreApplication app(argc, argv);
    if (auto remote = RunningInstance()) {
        QDBusReply<QString> reply = remote->call(QStringLiteral("MenuText"), moveService);
        if (reply.isValid()) {
            Print(reply.value());
            return 0;
        }
    }
    SettingsStore settings;
    MigrateOlderFolderLists(settings);
    DesktopPlatform platform;
    // Constructing the core builds both menus, as a launch does.
    AppCore core(settings, platform);
    Print(MenuToText(moveService ? core.MoveServiceMenu() : core.StatusMenu()));
    return 0;
}

// Whether a window system is there for the folder dialog of --ask.
bool HaveDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value) {
            return true;
        }
    }
    return false;
}

int CommandRefused(const QString& message) {
    std::fprintf(stderr, "ferrolet: %s\n", message.toUtf8().constData());
    return 2;
}

// A command that was refused (2) or ran with items that failed (1).
int CommandFailed(int status, const QString& message) {
    std::fprintf(stderr, "ferrolet: %s\n", message.toUtf8().constData());
    return status == 1 ? 1 : 2;
}

// --command TAG [--ask]: in the running instance when there is one, so its
// selection, cut state and windows are the ones used; otherwise here.
// With paths, exactly those items are the selection (--command TAG PATH...).
int RunCommandLine(int argc, char** argv, int tag, bool ask, const QStringList& paths) {
    std::unique_ptr<QCoreApplication> app;
    if (HaveDisplay()) {
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    if (auto remote = RunningInstance()) {
        const QDBusMessage reply =
            paths.isEmpty() ? remote->call(QStringLiteral("RunCommand"), tag, ask)
                            : remote->call(QStringLiteral("RunCommandOn"), tag, ask, paths);
        const QList<QVariant> out = reply.arguments();
        if (reply.type() == QDBusMessage::ReplyMessage && out.size() == 2) {
            const int status = out[0].toInt();
            return status == 0 ? 0 : CommandFailed(status, out[1].toString());
        }
    }
    SettingsStore settings;
    MigrateOlderFolderLists(settings);
    GuiPlatform platform;
    AppCore core(settings, platform, AppCore::Menus::Later);
    core.updatePathnamesTable = [&settings] { RefreshInstalledContextMenus(settings); };
    // Run here, the command shows its own progress window (with Cancel)
    // when there is a display.
    std::unique_ptr<ProgressWindow> progressWindow;
    if (qobject_cast<QApplication*>(app.get())) {
        progressWindow = std::make_unique<ProgressWindow>();
        core.watcher = progressWindow.get();
    }
    const CommandOutcome outcome = paths.isEmpty() ? RunOfferedCommand(core, tag, ask)
                                                   : RunOfferedCommandOn(core, tag, ask, paths);
    // Reveals, notifications and sounds were sent without waiting; they
    // leave (and a refused reveal gets its fallback) before the process ends.
    platform.FinishPendingRequests(kPendingRequestsPatience);
    if (outcome.exitStatus == 2) {
        return CommandRefused(outcome.message);
    }
    return outcome.exitStatus == 0 ? 0 : CommandFailed(outcome.exitStatus, outcome.message);
}

// --undo [N]: in the running instance when there is one (its pending cut
// follows held items that come back), otherwise here.
int RunUndoCommandLine(int argc, char** argv, int number) {
    QCoreApplication app(argc, argv);
    if (auto remote = RunningInstance()) {
        const QDBusMessage reply = remote->call(QStringLiteral("Undo"), number);
        const QList<QVariant> out = reply.arguments();
        if (reply.type() == QDBusMessage::ReplyMessage && out.size() == 2) {
            const int status = out[0].toInt();
            return status == 0 ? 0 : CommandFailed(status, out[1].toString());
        }
    }
    SettingsStore settings;
    GuiPlatform platform;
    AppCore core(settings, platform);
    const CommandOutcome outcome = RunUndo(core, number);
    if (outcome.exitStatus == 0) {
        return 0;
    }
    // The notification naming what was left alone leaves before we do.
    if (QDBusConnection::sessionBus().isConnected()) {
        QTimer::singleShot(200, &app, &QCoreApplication::quit);
        app.exec();
    }
    return outcome.exitStatus == 2 ? CommandRefused(outcome.message)
                                   : CommandFailed(outcome.exitStatus, outcome.message);
}

// --recover, --history, --undo [N]: the journal's own entries.
int RunJournalCommandLine(int argc, char** argv, const CommandLine& cl) {
    if (cl.mode == CommandLine::Mode::Undo) {
        return RunUndoCommandLine(argc, argv, cl.undoNumber);
    }
    QCoreApplication app(argc, argv);
    Print(cl.mode == CommandLine::Mode::Recover
              ? RecoveryText(RecoverInterrupted(JournalStore::Shared()))
              : HistoryText(JournalStore::Shared()));
    return 0;
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
    QStringList args;
    for (int i = 0; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    QString error;
    const auto cl = ParseCommandLine(args, &error);
    if (!cl) {
        std::fprintf(stderr, "ferrolet: %s\n%s", error.toUtf8().constData(),
                     UsageText().toUtf8().constData());
        return 2;
    }
    switch (cl->mode) {
    case CommandLine::Mode::Version:
        std::printf("Ferrolet %s\n", FERROLET_VERSION);
        return 0;
    case CommandLine::Mode::Help:
        Print(UsageText());
        return 0;
    case CommandLine::Mode::Settings: {
        SettingsStore store;
        MigrateOlderFolderLists(store);
        Print(SettingsReport(store));
        return 0;
    }
    case CommandLine::Mode::Menu:
        return PrintMenu(argc, argv, cl->moveServiceMenu);
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
    case CommandLine::Mode::StartAtLogin:
        if (const std::error_code ec = SetStartAtLogin(cl->startAtLogin)) {
            std::fprintf(stderr, "ferrolet: cannot change %s: %s\n", AutostartEntryPath().c_str(),
                         ec.message().c_str());
            return 1;
        }
        return 0;
    case CommandLine::Mode::InstallMenus:
    case CommandLine::Mode::RemoveMenus:
        return RunContextMenusCommand(cl->mode == CommandLine::Mode::InstallMenus);
    case CommandLine::Mode::Recover:
    case CommandLine::Mode::History:
    case CommandLine::Mode::Undo:
        return RunJournalCommandLine(argc, argv, *cl);
    case CommandLine::Mode::Run:
        break;
    }
    return RunTray(argc, argv, false);
}
