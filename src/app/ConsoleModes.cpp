#include "ConsoleModes.h"

#include "app/AppCore.h"
#include "app/BusNames.h"
#include "app/OfferedCommand.h"
#include "app/SettingsReport.h"
#include "app/UndoCommands.h"
#include "app/WindowlessCommand.h"
#include "contextmenus/ContextMenuInstaller.h"
#include "desktop/DesktopPlatform.h"
#include "history/Recovery.h"
#include "history/Undo.h"
#include "journal/JournalStore.h"
#include "platform/Autostart.h"
#include "services/ServiceClient.h"
#include "services/ServicePaths.h"
#include "settings/FolderLists.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QTimer>

#include <cstdio>

namespace ferrolet {

void Print(const QString& text) {
    std::fputs(text.toUtf8().constData(), stdout);
}

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

int CommandFailed(int status, const QString& message) {
    std::fprintf(stderr, "ferrolet: %s\n", message.toUtf8().constData());
    return status == 1 ? 1 : 2;
}

std::optional<int> CommandInRunningInstance(int tag, bool ask, const QStringList& paths) {
    auto remote = RunningInstance();
    if (!remote) {
        return std::nullopt;
    }
    const QDBusMessage reply = paths.isEmpty()
                                   ? remote->call(QStringLiteral("RunCommand"), tag, ask)
                                   : remote->call(QStringLiteral("RunCommandOn"), tag, ask, paths);
    const QList<QVariant> out = reply.arguments();
    if (reply.type() != QDBusMessage::ReplyMessage || out.size() != 2) {
        return std::nullopt;
    }
    const int status = out[0].toInt();
    return status == 0 ? 0 : CommandFailed(status, out[1].toString());
}

namespace {

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

// --command TAG PATH... with nothing to show but what the desktop shows
// (notification, sound, reveal): no display connection, no widgets loaded.
int RunCommandWithoutWindows(int argc, char** argv, int tag, bool ask, const QStringList& paths) {
    QCoreApplication app(argc, argv);
    if (const std::optional<int> status = CommandInRunningInstance(tag, ask, paths)) {
        return *status;
    }
    DesktopPlatform platform;
    return RunCommandHere(platform, nullptr, tag, ask, paths);
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
    DesktopPlatform platform;
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

int ChangeStartAtLogin(bool on) {
    if (const std::error_code ec = SetStartAtLogin(on)) {
        std::fprintf(stderr, "ferrolet: cannot change %s: %s\n", AutostartEntryPath().c_str(),
                     ec.message().c_str());
        return 1;
    }
    return 0;
}

int PrintSettings() {
    SettingsStore store;
    MigrateOlderFolderLists(store);
    Print(SettingsReport(store));
    return 0;
}

} // namespace

int RunCommandHere(DesktopPlatform& platform, RunWatcher* watcher, int tag, bool ask,
                   const QStringList& paths) {
    SettingsStore settings;
    MigrateOlderFolderLists(settings);
    AppCore core(settings, platform, AppCore::Menus::Later);
    core.updatePathnamesTable = [&settings] { RefreshInstalledContextMenus(settings); };
    core.watcher = watcher;
    // This process ends after the run: nothing acts on its snapshot again.
    const CommandOutcome outcome = paths.isEmpty()
                                       ? RunOfferedCommand(core, tag, ask, SnapshotAfterRun::Taken)
                                       : RunOfferedCommandOn(core, tag, ask, paths);
    // Reveals, notifications and sounds were sent without waiting; they
    // leave (and a refused reveal gets its fallback) before the process ends.
    platform.FinishPendingRequests(kPendingRequestsPatience);
    if (outcome.exitStatus == 2) {
        return CommandRefused(outcome.message);
    }
    return outcome.exitStatus == 0 ? 0 : CommandFailed(outcome.exitStatus, outcome.message);
}

std::optional<CommandLine> ParseProgramArguments(int argc, char** argv) {
    QStringList args;
    for (int i = 0; i < argc; ++i) {
        args << QString::fromLocal8Bit(argv[i]);
    }
    QString error;
    std::optional<CommandLine> cl = ParseCommandLine(args, &error);
    if (!cl) {
        std::fprintf(stderr, "ferrolet: %s\n%s", error.toUtf8().constData(),
                     UsageText().toUtf8().constData());
    }
    return cl;
}

std::optional<int> RunWithoutWindows(int argc, char** argv, const CommandLine& cl) {
    switch (cl.mode) {
    case CommandLine::Mode::Version:
        std::printf("Ferrolet %s\n", FERROLET_VERSION);
        return 0;
    case CommandLine::Mode::Help:
        Print(UsageText());
        return 0;
    case CommandLine::Mode::Settings:
        return PrintSettings();
    case CommandLine::Mode::Menu:
        return PrintMenu(argc, argv, cl.moveServiceMenu);
    case CommandLine::Mode::Command: {
        const QStringList paths = ArgumentPaths(argc, argv, cl.firstPath);
        if (HaveDisplay() && !CommandRunsWithoutWindows(cl.tag, cl.ask, paths)) {
            return std::nullopt;
        }
        return RunCommandWithoutWindows(argc, argv, cl.tag, cl.ask, paths);
    }
    case CommandLine::Mode::StartAtLogin:
        return ChangeStartAtLogin(cl.startAtLogin);
    case CommandLine::Mode::InstallMenus:
    case CommandLine::Mode::RemoveMenus:
        return RunContextMenusCommand(cl.mode == CommandLine::Mode::InstallMenus);
    case CommandLine::Mode::Recover:
    case CommandLine::Mode::History:
    case CommandLine::Mode::Undo:
        return RunJournalCommandLine(argc, argv, cl);
    case CommandLine::Mode::Preferences:
    case CommandLine::Mode::Service:
    case CommandLine::Mode::Run:
        break;
    }
    return std::nullopt;
}

} // namespace ferrolet
