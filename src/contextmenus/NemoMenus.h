#pragma once

#include "ContextMenuTarget.h"

#include <string>

namespace ferrolet {

// Nemo: one action file per entry, <actions>/ferrolet-dest-<id>.nemo_action,
// titled "Move To ▸ <folder>" (Nemo's actions form one flat list). Files of
// that prefix are Ferrolet's; those a new list no longer names are removed.
class NemoMenus : public ContextMenuTarget {
public:
    explicit NemoMenus(std::string actionFolder) : m_folder(std::move(actionFolder)) {}
    QString Name() const override { return QStringLiteral("Nemo"); }
    bool Installed() const override;
    Status Write(const ContextMenuModel& model) override;
    Status Remove() override;

private:
    // Removes our action files except those named in keep.
    Status RemoveOurs(const std::vector<std::string>& keep);

    std::string m_folder;
};

// The action file's text for one entry.
std::string NemoAction(const ContextMenuModel& model, const ContextMenuEntry& entry);

} // namespace ferrolet
