#pragma once

#include "ContextMenuTarget.h"

#include <set>
#include <string>

namespace ferrolet {

// Nautilus and Caja: executable scripts in the user's scripts folder, where
// every folder is a submenu: <scripts>/Ferrolet/Move To/<folder>, … and
// <scripts>/Ferrolet/Put In Its Place. The file manager hands the selected
// items to a script as its arguments, which the script passes on as "$@",
// never split into words. The Ferrolet folder is ours when it holds our
// marker file; one without it (say, a link to the shipped scripts) is left
// alone and Write fails with EEXIST.
class ScriptMenus : public ContextMenuTarget {
public:
    ScriptMenus(QString name, std::string scriptsFolder)
        : m_name(std::move(name)), m_root(std::move(scriptsFolder) + "/Ferrolet") {}
    QString Name() const override { return m_name; }
    bool Installed() const override;
    Status Write(const ContextMenuModel& model) override;
    Status Remove() override;

    static constexpr const char* kMarker = ".ferrolet-menus";

private:
    // Removes our scripts whose paths are not in keep, and the folders left empty.
    void RemoveStale(const std::set<std::string>& keep);

    QString m_name;
    std::string m_root;
};

// A script's text for one entry.
std::string MenuScript(const ContextMenuModel& model, const ContextMenuEntry& entry);

} // namespace ferrolet
