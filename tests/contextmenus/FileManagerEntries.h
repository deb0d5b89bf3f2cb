#pragma once

// The entries a file manager shows from its files (Dolphin and Nemo key
// files, Thunar's uca.xml, Nautilus and Caja scripts), each with the argument
// vector that file manager runs for right-clicked items. Used for the
// generated context menus and for the shipped service declarations.
#include "SplitExec.h"
#include "TestEnvironment.h"

#include <QFile>
#include <QXmlStreamReader>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

namespace ferrolet::test {

using Items = std::vector<std::string>; // absolute paths of the right-clicked items
using KeyFile = std::map<std::string, std::map<std::string, std::string>>;

struct FileManagerEntry {
    std::string where;
    std::string line; // the command line as written, or the script's text
    std::function<std::vector<std::string>(const Items&)> argv;
};

// A key file with its string values unescaped ("\\" → "\", "\s" → " ").
inline KeyFile ReadKeyFile(const std::string& path) {
    KeyFile file;
    std::ifstream in(path);
    std::string group;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with('[') && line.ends_with(']')) {
            group = line.substr(1, line.size() - 2);
        } else if (const size_t eq = line.find('='); eq != std::string::npos && line[0] != '#') {
            std::string value;
            for (size_t i = eq + 1; i < line.size(); ++i) {
                value += line[i] == '\\' && i + 1 < line.size()
                             ? (++i, line[i] == 's' ? ' ' : line[i])
                             : line[i];
            }
            file[group][line.substr(0, eq)] = value;
        }
    }
    return file;
}

// An Exec line split as a launcher does, "%F" becoming the items.
inline FileManagerEntry ExecEntry(std::string where, const std::string& exec) {
    return {std::move(where), exec, [exec](const Items& items) {
                std::vector<std::string> argv;
                for (const std::string& arg : SplitExec(exec)) {
                    if (arg == "%F") {
                        argv.insert(argv.end(), items.begin(), items.end());
                    } else {
                        argv.push_back(arg);
                    }
                }
                return argv;
            }};
}

inline std::vector<FileManagerEntry> DolphinEntries(const std::string& path) {
    const KeyFile file = ReadKeyFile(path);
    std::vector<FileManagerEntry> out;
    std::string actions = file.at("Desktop Entry").at("Actions");
    for (size_t semi; (semi = actions.find(';')) != std::string::npos; actions.erase(0, semi + 1)) {
        const std::string action = actions.substr(0, semi);
        out.push_back(
            ExecEntry("dolphin " + action, file.at("Desktop Action " + action).at("Exec")));
    }
    return out;
}

inline std::vector<FileManagerEntry> NemoEntries(const std::string& folder) {
    std::vector<FileManagerEntry> out;
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
        out.push_back(
            ExecEntry(file.path(), ReadKeyFile(file.path()).at("Nemo Action").at("Exec")));
    }
    return out;
}

// Thunar puts each item, shell-quoted, in place of %F and runs the line
// through /bin/sh.
inline std::vector<FileManagerEntry> ThunarEntries(const std::string& uca) {
    std::vector<FileManagerEntry> out;
    QFile file(QString::fromStdString(uca));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << uca;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"command") {
            const std::string command = xml.readElementText().toStdString();
            out.push_back({"thunar " + command, command, [command](const Items& items) {
                               std::string line = command, quoted;
                               for (const std::string& item : items) {
                                   QByteArray word = QByteArray::fromStdString(item);
                                   quoted += " '" + word.replace("'", "'\\''").toStdString() + "'";
                               }
                               line.replace(line.find("%F"), 2, quoted);
                               return std::vector<std::string>{"/bin/sh", "-c", line};
                           }});
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return out;
}

// Nautilus runs a script in the items' folder with their names; Caja is
// given absolute paths here, so both forms are run.
inline std::vector<FileManagerEntry> ScriptEntries(const std::string& folder, bool relative) {
    std::vector<FileManagerEntry> out;
    for (const auto& file : std::filesystem::recursive_directory_iterator(folder)) {
        if (!file.is_regular_file() || file.path().filename().string().starts_with(".ferrolet")) {
            continue;
        }
        EXPECT_NE(file.status().permissions() & std::filesystem::perms::owner_exec,
                  std::filesystem::perms::none)
            << file.path();
        const std::string script = file.path();
        out.push_back(
            {script, TempHome::ReadFile(script), [script, relative](const Items& items) {
                 std::vector<std::string> argv{"/bin/sh",
                                               "-c",
                                               "cd \"$1\" && shift && exec \"$@\"",
                                               "sh",
                                               std::filesystem::path(items[0]).parent_path(),
                                               script};
                 for (const std::string& item : items) {
                     argv.push_back(relative ? std::filesystem::path(item).filename().string()
                                             : item);
                 }
                 return argv;
             }});
    }
    return out;
}

} // namespace ferrolet::test
