#include "dispatch/CommandIds.h"

#include <array>

namespace ferrolet {

namespace {
const std::array<FixedCommand, 6> kFixed{{
    {cmd::AddFolder, "Add Folder", "Add selected folder to the folder list"},
    {cmd::RemoveFolder, "Remove Folder", "Remove selected folder from the folder list"},
    {cmd::PutInItsPlace, "Put In Its Place",
     "Move the selected items to the folder set for their extension. Pair extensions with "
     "folders in the preferences window."},
    {cmd::WrapItems, "Wrap Items",
     "Move or copy the selected items into a new folder beside them (or into a folder you "
     "choose, when the preferences say so)"},
    {cmd::CutItems, "Cut Items", "Cut the selected items"},
    {cmd::PasteItems, "Paste Items", "Paste the cut items into the selected folder"},
}};

const std::array<const char*, 6> kHeaderTitles{
    {"Move To", "Copy To", "Archive To", "Alias To", "Open Folder", "Hard Link To"}};
} // namespace

const FixedCommand* FindFixedCommand(int id) {
    for (const FixedCommand& c : kFixed) {
        if (c.id == id) {
            return &c;
        }
    }
    return nullptr;
}

QString HeaderTitle(DestinationCommand command) {
    return QString::fromLatin1(kHeaderTitles[static_cast<int>(command) - kFirstBase]);
}

int BaseForTitle(const QString& title) {
    for (int i = 0; i < static_cast<int>(kHeaderTitles.size()); ++i) {
        const QLatin1String row(kHeaderTitles[i]);
        if (title.startsWith(row) && title.endsWith(row)) {
            return kFirstBase + i;
        }
    }
    return 0;
}

std::optional<DecodedTag> DecodeMenuItemTag(int tag) {
    if (FindFixedCommand(tag)) {
        return DecodedTag{DecodedTag::Kind::Fixed, tag, DestinationCommand::MoveTo, 0};
    }
    for (int base = kFirstBase; base <= kLastBase; ++base) {
        const int k = tag / base;
        if (k * base == tag && k != 0) {
            return DecodedTag{DecodedTag::Kind::Destination, 0,
                              static_cast<DestinationCommand>(base), k};
        }
    }
    return std::nullopt;
}

void AddMenuItem(const QString& title, int commandId, const QString& tip, Menu& menu) {
    MenuItem item;
    item.title = title;
    item.action = MenuAction::RunCommand;
    item.tag = commandId;
    item.tooltip = tip;
    menu.Append(std::move(item));
}

} // namespace ferrolet
