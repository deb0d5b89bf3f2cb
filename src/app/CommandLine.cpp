#include "CommandLine.h"

#include <utility>

namespace ferrolet {

QString UsageText() {
    return QStringLiteral(
        "Usage: ferrolet [OPTION]\n"
        "  (no option)                 run the tray application\n"
        "  --menu [--move-service]     print the status menu (or the Move Service menu)\n"
        "  --command TAG [--ask] [--] [PATH...]\n"
        "                              run the menu command of that tag on the given items\n"
        "                              (without items: on the file manager's selection)\n"
        "  --service \"USER DATA\" PATH...  run a service on the given items\n"
        "  --preferences               open the preferences window\n"
        "  --settings                  print every setting and its value\n"
        "  --start-at-login on|off     start Ferrolet when you log in, or stop that\n"
        "  --install-menus             put your destinations in the file managers' context menus\n"
        "  --remove-menus              take them out again\n"
        "  --history                   list the last gestures, numbered from the newest\n"
        "  --undo [N]                  undo the newest gesture (or gesture N of --history)\n"
        "  --recover                   settle interrupted gestures and say what was done\n"
        "  --version                   print the version\n");
}

namespace {

// --command TAG [--ask] [--] [PATH...]; the reason when they make no sense.
QString ParseCommandArguments(const QStringList& args, CommandLine& cl) {
    cl.mode = CommandLine::Mode::Command;
    bool ok = false;
    if (args.size() < 3 || (cl.tag = args[2].toInt(&ok), !ok)) {
        return QStringLiteral("--command needs a numeric tag");
    }
    int i = 3;
    if (i < args.size() && args[i] == QLatin1String("--ask")) {
        cl.ask = true;
        ++i;
    }
    // "--" ends the options, so an item named like one is still an item.
    if (i < args.size() && args[i] == QLatin1String("--")) {
        ++i;
    } else if (i < args.size() && args[i].startsWith(QLatin1Char('-'))) {
        return QStringLiteral("unknown option for --command: %1").arg(args[i]);
    }
    cl.firstPath = i;
    cl.paths = args.mid(i);
    return {};
}

// An option that takes no arguments and only chooses what to do.
std::optional<CommandLine::Mode> PlainMode(const QString& option) {
    using Mode = CommandLine::Mode;
    static const std::pair<const char*, Mode> kModes[] = {
        {"--version", Mode::Version},
        {"--help", Mode::Help},
        {"-h", Mode::Help},
        {"--settings", Mode::Settings},
        {"--preferences", Mode::Preferences},
        {"--install-menus", Mode::InstallMenus},
        {"--remove-menus", Mode::RemoveMenus},
        {"--recover", Mode::Recover},
        {"--history", Mode::History},
    };
    for (const auto& [name, mode] : kModes) {
        if (option == QLatin1String(name)) {
            return mode;
        }
    }
    return std::nullopt;
}

// --undo [N]; the reason when it makes no sense.
QString ParseUndoArguments(const QStringList& args, CommandLine& cl) {
    cl.mode = CommandLine::Mode::Undo;
    bool ok = true;
    if (args.size() == 3) {
        cl.undoNumber = args[2].toInt(&ok);
    }
    if (args.size() > 3 || !ok || (args.size() == 3 && cl.undoNumber < 1)) {
        return QStringLiteral("--undo takes one gesture number of --history");
    }
    return {};
}

} // namespace

std::optional<CommandLine> ParseCommandLine(const QStringList& args, QString* error) {
    CommandLine cl;
    auto fail = [&](const QString& message) -> std::optional<CommandLine> {
        if (error) {
            *error = message;
        }
        return std::nullopt;
    };
    if (args.size() <= 1) {
        return cl;
    }
    const QString& first = args[1];
    if (const std::optional<CommandLine::Mode> mode = PlainMode(first)) {
        cl.mode = *mode;
        if (args.size() > 2) {
            return fail(QStringLiteral("%1 takes no arguments").arg(first));
        }
        return cl;
    }
    if (first == QLatin1String("--undo")) {
        const QString problem = ParseUndoArguments(args, cl);
        return problem.isEmpty() ? std::optional<CommandLine>(cl) : fail(problem);
    } else if (first == QLatin1String("--menu")) {
        cl.mode = CommandLine::Mode::Menu;
        for (int i = 2; i < args.size(); ++i) {
            if (args[i] != QLatin1String("--move-service")) {
                return fail(QStringLiteral("unknown option for --menu: %1").arg(args[i]));
            }
            cl.moveServiceMenu = true;
        }
        return cl;
    } else if (first == QLatin1String("--command")) {
        const QString problem = ParseCommandArguments(args, cl);
        return problem.isEmpty() ? std::optional<CommandLine>(cl) : fail(problem);
    } else if (first == QLatin1String("--service")) {
        cl.mode = CommandLine::Mode::Service;
        if (args.size() < 3) {
            return fail(QStringLiteral("--service needs the service's user data"));
        }
        cl.userData = args[2];
        cl.firstPath = 3;
        cl.paths = args.mid(3);
        return cl;
    } else if (first == QLatin1String("--start-at-login")) {
        cl.mode = CommandLine::Mode::StartAtLogin;
        if (args.size() != 3 ||
            (args[2] != QLatin1String("on") && args[2] != QLatin1String("off"))) {
            return fail(QStringLiteral("--start-at-login needs on or off"));
        }
        cl.startAtLogin = args[2] == QLatin1String("on");
        return cl;
    }
    return fail(QStringLiteral("unknown option: %1").arg(first));
}

} // namespace ferrolet
