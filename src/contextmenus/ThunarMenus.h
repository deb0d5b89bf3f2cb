#pragma once

#include "ContextMenuTarget.h"

#include <string>

namespace ferrolet {

// Thunar: custom actions in <config>/Thunar/uca.xml, a file the user edits
// too. Ferrolet's actions sit between two XML comments of its own; writing
// replaces exactly that part (or adds it before </actions>), removing takes
// it out, and every other byte of the file stays as it was. The file is
// replaced atomically, through a link if it is one. A file that does not
// parse as <actions> is left untouched (EBADMSG). A missing file is created
// with an <actions> root.
class ThunarMenus : public ContextMenuTarget {
public:
    explicit ThunarMenus(std::string thunarConfigFolder)
        : m_folder(std::move(thunarConfigFolder)) {}
    QString Name() const override { return QStringLiteral("Thunar"); }
    bool Installed() const override;
    Status Write(const ContextMenuModel& model) override;
    Status Remove() override;

    static constexpr const char* kBeginMarker =
        "<!-- Ferrolet destinations begin: written by Ferrolet, replaced whenever your "
        "destinations change -->";
    static constexpr const char* kEndMarker = "<!-- Ferrolet destinations end -->";

private:
    // The file's folder and name, followed through a symbolic link.
    void Locate(std::string& folder, std::string& name) const;
    Status Store(const std::string& content);

    std::string m_folder;
};

// The marked block of actions for a model (begin marker to end marker).
std::string ThunarActionBlock(const ContextMenuModel& model);

// Whether text parses as XML whose root element is <actions>.
bool IsActionsDocument(const std::string& text);

} // namespace ferrolet
