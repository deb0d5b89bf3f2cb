#pragma once

#include "ContextMenuTarget.h"

#include <string>

namespace ferrolet {

// Dolphin (and every KDE file dialog): one service menu,
// <servicemenus>/ferrolet-destinations.desktop, whose actions sit in a
// "Ferrolet" submenu (X-KDE-Submenu). It is made executable, since KDE only
// trusts executable service menus in the user's folder.
class DolphinMenus : public ContextMenuTarget {
public:
    explicit DolphinMenus(std::string serviceMenuFolder) : m_folder(std::move(serviceMenuFolder)) {}
    QString Name() const override { return QStringLiteral("Dolphin"); }
    bool Installed() const override;
    Status Write(const ContextMenuModel& model) override;
    Status Remove() override;

    static constexpr const char* kFileName = "ferrolet-destinations.desktop";

private:
    std::string m_folder;
};

// The service menu's text for a model.
std::string DolphinServiceMenu(const ContextMenuModel& model);

} // namespace ferrolet
