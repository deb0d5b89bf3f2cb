#include "ServiceEntries.h"

#include <array>

namespace ferrolet {

namespace {

constexpr ServiceEntry MoveTo(const char* userData, StandardFolder folder) {
    return {userData, ServiceAction::MoveToStandardFolder, folder};
}

constexpr ServiceEntry ToSelect(const char* userData, DestinationCommand command) {
    return {userData, ServiceAction::RunWithFolderDialog, StandardFolder::Home, command};
}

constexpr std::array<ServiceEntry, 16> kEntries = {{
    MoveTo("Move to Documents", StandardFolder::Documents),
    MoveTo("Move to Home", StandardFolder::Home),
    MoveTo("Move to Pictures", StandardFolder::Pictures),
    MoveTo("Move to Movies", StandardFolder::Movies),
    MoveTo("Move to Music", StandardFolder::Music),
    MoveTo("Move to Sites", StandardFolder::Sites),
    MoveTo("Move to Public", StandardFolder::Public),
    MoveTo("Move to Desktop", StandardFolder::Desktop),
    MoveTo("Move to Desktop Pictures", StandardFolder::DesktopPictures),
    {"Open Move Service Window", ServiceAction::OpenWindow},
    {"Close Move Service Window", ServiceAction::CloseWindow},
    ToSelect("Move to Select", DestinationCommand::MoveTo),
    ToSelect("Copy to Select", DestinationCommand::CopyTo),
    ToSelect("Compress to Select", DestinationCommand::ArchiveTo),
    ToSelect("Alias to Select", DestinationCommand::AliasTo),
    ToSelect("Hard Link to Select", DestinationCommand::HardLinkTo),
}};

} // namespace

std::span<const ServiceEntry> ServiceEntries() {
    return kEntries;
}

std::optional<ServiceEntry> FindServiceEntry(const QString& userData) {
    for (const ServiceEntry& entry : kEntries) {
        if (userData == QLatin1String(entry.userData)) {
            return entry;
        }
    }
    return std::nullopt;
}

} // namespace ferrolet
