#pragma once

// A private home with a real selection script in a temporary data folder,
// real folders and the real settings file, for building whole menus.
#include "FakePlatform.h"
#include "TestEnvironment.h"
#include "app/AppCore.h"
#include "dispatch/MenuModel.h"
#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QStringList>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace ferrolet::test {

class MenuFixture : public TempHome {
protected:
    void SetUp() override {
        TempHome::SetUp();
        const char* old = std::getenv("FERROLET_DATA_DIR");
        m_oldDataDir = old ? std::optional<std::string>(old) : std::nullopt;
        m_dataDir = MakeDir("data");
        setenv("FERROLET_DATA_DIR", m_dataDir.c_str(), 1);
        // The script prints the list file as it stands when it runs, and
        // fails when the "fail" file exists.
        const std::string script = m_dataDir + "/selection";
        std::ofstream(script) << "#!/bin/sh\n[ -e '" << m_dataDir
                              << "/fail' ] && exit 1\nexec cat '" << m_dataDir << "/list'\n";
        chmod(script.c_str(), 0755);
        SelectPaths({});
        m_store = std::make_unique<SettingsStore>();
    }

    void TearDown() override {
        if (m_oldDataDir) {
            setenv("FERROLET_DATA_DIR", m_oldDataDir->c_str(), 1);
        } else {
            unsetenv("FERROLET_DATA_DIR");
        }
        TempHome::TearDown();
    }

    // What the selection script prints next: one line per path, as given.
    void SelectPaths(const std::vector<std::string>& paths) {
        std::string text;
        for (const std::string& p : paths) {
            text += p + "\n";
        }
        std::ofstream(m_dataDir + "/list", std::ios::binary) << text;
    }
    void FailSelection() { WriteFile("data/fail"); }

    void SetDestinations(const std::vector<std::string>& paths) {
        QStringList list;
        for (const std::string& p : paths) {
            list << QString::fromStdString(p);
        }
        FolderList(*m_store, keys::PathnamesAliases).SetPathnames(list);
    }
    void SetExtensions(const QStringList& extensions, const std::vector<std::string>& folders) {
        m_store->SetAppValue(keys::Extensions, extensions);
        m_store->Synchronize();
        QStringList list;
        for (const std::string& p : folders) {
            list << QString::fromStdString(p);
        }
        FolderList(*m_store, keys::ExtensionPathsAliases).SetPathnames(list);
    }

    void SetSwitches(std::initializer_list<QString> keysOff) {
        for (const QString& key : keysOff) {
            m_store->SetAppValue(key, false);
        }
        m_store->Synchronize();
    }

    // A fresh application core (its construction builds both menus once).
    AppCore& Core() {
        if (!m_core) {
            m_core = std::make_unique<AppCore>(*m_store, m_platform);
        }
        return *m_core;
    }
    std::string StatusText() {
        Core().Setup();
        return MenuToText(Core().StatusMenu()).toStdString();
    }
    std::string MoveServiceText() {
        Core().Setup();
        return MenuToText(Core().MoveServiceMenu()).toStdString();
    }

    static std::string Q(const QString& s) { return s.toStdString(); }

    std::string m_dataDir;
    std::optional<std::string> m_oldDataDir;
    std::unique_ptr<SettingsStore> m_store;
    FakePlatform m_platform;
    std::unique_ptr<AppCore> m_core;
};

// Expected lines of MenuToText, to spell whole menus out in tests.
namespace lines {
inline std::string Fixed(const std::string& title, int tag, const std::string& tip) {
    return title + "\ttag=" + std::to_string(tag) + "\taction=command\ttip=" + tip + "\n";
}
inline std::string Greyed(const std::string& title) {
    return title + "\tdisabled\n";
}
inline const std::string kSeparator = "---\n";
inline const std::string kWrap =
    Fixed("Wrap Items", -1004,
          "Move or copy the selected items into a new folder beside them (or into a folder you "
          "choose, when the preferences say so)");
inline const std::string kCut = Fixed("Cut Items", -1005, "Cut the selected items");
inline const std::string kPaste =
    Fixed("Paste Items", -1006, "Paste the cut items into the selected folder");
inline const std::string kPut = Fixed("Put In Its Place", -1003,
                                      "Move the selected items to the folder set for their "
                                      "extension. Pair extensions with folders in the "
                                      "preferences window.");
inline const std::string kAddFolder =
    Fixed("Add Folder", -1001, "Add selected folder to the folder list");
inline const std::string kRemoveFolder =
    Fixed("Remove Folder", -1002, "Remove selected folder from the folder list");
inline const std::string kStatusClosing = kSeparator + "Preferences...\taction=preferences\n" +
                                          kSeparator + "About Ferrolet\taction=about\n" +
                                          "Quit\taction=quit\n";
inline const std::string kMoveServiceClosing =
    kSeparator + "Preferences...\taction=preferences\n" + kSeparator + "Quit\taction=quit\n";

// A header and its folder items: {title, path} per listed folder; every
// header but Open Folder's starts its submenu with "Choose Folder…".
inline std::string Header(const std::string& title, int base,
                          const std::vector<std::pair<std::string, std::string>>& folders) {
    std::string out = title + "\ttag=" + std::to_string(base) +
                      "\taction=choose-folder\ttip=Choose a listed folder, or Choose Folder… "
                      "for another\n";
    if (base != 1005) {
        out += "  Choose Folder…\ttag=" + std::to_string(base) +
               "\taction=choose-folder\ttip=Choose the folder in a dialog\n  ---\n";
    }
    if (folders.empty()) {
        out += "  No predefined destination folders\tdisabled\n";
    }
    for (size_t i = 0; i < folders.size(); ++i) {
        out += "  " + folders[i].first + "\ttag=" + std::to_string(int(i + 1) * base) +
               "\taction=command\ttip=" + folders[i].second + "\n";
    }
    return out;
}
// The same text with the folder item titled title greyed, as a folder that
// cannot take the selection is.
inline std::string GreyFolder(std::string text, const std::string& title) {
    const size_t line = text.find("  " + title + "\t");
    const size_t tip = text.find("\ttip=", line);
    if (line != std::string::npos && tip != std::string::npos) {
        text.insert(tip, "\tdisabled");
    }
    return text;
}
inline std::string AllHeaders(const std::vector<std::pair<std::string, std::string>>& folders) {
    return Header("Move To", 1001, folders) + Header("Copy To", 1002, folders) +
           Header("Archive To", 1003, folders) + Header("Alias To", 1004, folders) +
           Header("Open Folder", 1005, folders) + Header("Hard Link To", 1006, folders);
}
inline std::string OpenItem(const std::string& name, const std::string& path) {
    return "  " + name + "\taction=open\ttip=" + path + "\n";
}
} // namespace lines

} // namespace ferrolet::test
