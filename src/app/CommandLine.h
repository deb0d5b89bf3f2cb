#pragma once

#include <QStringList>

#include <optional>

namespace ferrolet {

// What the program was asked to do on its command line.
struct CommandLine {
    enum class Mode {
        Run,
        Version,
        Settings,
        Menu,
        Command,
        Preferences,
        Service,
        StartAtLogin,
        InstallMenus,
        RemoveMenus,
        Recover,
        Undo,
        History,
        Help
    } mode = Mode::Run;
    bool moveServiceMenu = false; // --menu --move-service
    int tag = 0;                  // --command TAG
    bool ask = false;             // --command BASE --ask: the header (folder dialog)
    QString userData;             // --service "<user data>" PATH...
    bool startAtLogin = false;    // --start-at-login on|off
    QStringList paths;            // --service's items, or --command's
    int firstPath = 0;            // the argument index of paths[0]
    int undoNumber = 0;           // --undo N (0: the newest gesture that can be undone)
};

// Nothing (with a message in *error) when the arguments make no sense.
std::optional<CommandLine> ParseCommandLine(const QStringList& arguments, QString* error);

QString UsageText();

} // namespace ferrolet
