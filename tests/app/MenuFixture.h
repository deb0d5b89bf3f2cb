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

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace ferrolet::test {

class MenuFixture : public TempHome {
public:
    using TempHome::MakeDir;
    using TempHome::Path;
    using TempHome::WriteFile;

    void SetUp() override {
        TempHome::SetUp();
        if (const char* old = std::getenv("FERROLET_DATA_DIR")) {
            m_oldDataDir = old;
        }
        m_dataDir = MakeDir("data");
        setenv("FERROLET_DATA_DIR", m_dataDir.c_str(), 1);
        // The script prints the list file as it stands when it runs.
        const std::string script = m_dataDir + "/selection";
        std::ofstream(script) << "#!/bin/sh\nexec cat '" << m_dataDir << "/list'\n";
        chmod(script.c_str(), 0755);
        SelectPaths({});
        m_store = std::make_unique<SettingsStore>();
    }
    void TearDown() override {
        setenv("FERROLET_DATA_DIR", m_oldDataDir.c_str(), 1);
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
    void SetDestinations(const std::vector<std::string>& paths) {
        FolderList(*m_store, keys::PathnamesAliases).SetPathnames(Paths(paths));
    }
    void SetExtensions(const QStringList& extensions, const std::vector<std::string>& folders) {
        m_store->SetAppValue(keys::Extensions, extensions);
        m_store->Synchronize();
        FolderList(*m_store, keys::ExtensionPathsAliases).SetPathnames(Paths(folders));
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
    std::string MenuText(bool moveService = false) {
        Core().Setup();
        return MenuToText(moveService ? Core().MoveServiceMenu() : Core().StatusMenu())
            .toStdString();
    }

    std::string m_dataDir, m_oldDataDir;
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
inline const std::string kPut = Fixed("Put In Its Place", -1003,
                                      "Move the selected items to the folder set for their "
                                      "extension. Pair extensions with folders in the "
                                      "preferences window.");
inline const std::string kAddFolder =
    Fixed("Add Folder", -1001, "Add selected folder to the folder list");
inline const std::string kMoveServiceClosing =
    kSeparator + "Preferences...\taction=preferences\n" + kSeparator + "Quit\taction=quit\n";
inline const std::string kStatusClosing = kSeparator + "Preferences...\taction=preferences\n" +
                                          kSeparator + "About Ferrolet\taction=about\n" +
                                          "Quit\taction=quit\n";
using Folders = std::vector<std::pair<std::string, std::string>>; // {title, path}

// A header and its folder items; every header but Open Folder's starts its
// submenu with "Choose Folder…" and a line. A title in greyed is greyed, as
// a folder that cannot take the selection is.
inline std::string Header(const std::string& title, int base, const Folders& folders,
                          const std::string& greyed = {}) {
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
               "\taction=command" + (folders[i].first == greyed ? "\tdisabled" : "") +
               "\ttip=" + folders[i].second + "\n";
    }
    return out;
}
inline std::string AllHeaders(const Folders& folders) {
    return Header("Move To", 1001, folders) + Header("Copy To", 1002, folders) +
           Header("Archive To", 1003, folders) + Header("Alias To", 1004, folders) +
           Header("Open Folder", 1005, folders) + Header("Hard Link To", 1006, folders);
}
inline std::string OpenItem(const std::string& path) {
    const std::string name = path.substr(path.rfind('/') + 1);
    return "  " + name + "\taction=open\ttip=" + path + "\n";
}
} // namespace lines

} // namespace ferrolet::test
