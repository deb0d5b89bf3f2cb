#include "MenuBody.h"

#include "ClosingBlock.h"
#include "ExtensionMap.h"
#include "FolderSubMenu.h"
#include "SelectionChecks.h"
#include "dispatch/CommandIds.h"
#include "items/ItemKinds.h"
#include "items/ItemNames.h"
#include "platform/PathHelpers.h"
#include "settings/FolderLists.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"

#include <array>
#include <optional>
#include <utility>

namespace ferrolet {

namespace {

void AppendFixedCommand(int id, Menu& menu) {
    const FixedCommand* command = FindFixedCommand(id);
    AddMenuItem(QString::fromLatin1(command->title), id, QString::fromLatin1(command->tooltip),
                menu);
}

// A command shown but not available now: its title, greyed, nothing else.
void AppendUnavailable(int id, Menu& menu) {
    menu.Append(MenuItem::Info(QString::fromLatin1(FindFixedCommand(id)->title)));
}

// The summary line with a submenu that opens each selected item.
void AppendSelectionLine(const SelectionSnapshot& selection, const QString& firstName,
                         bool itemLines, Menu& menu) {
    auto items = std::make_shared<Menu>();
    const size_t lines = itemLines ? selection.items.size() : 0;
    items->items.reserve(lines);
    for (size_t i = 0; i < lines; ++i) {
        const FileRef& ref = selection.items[i];
        const QString name = ItemDisplayName(ref);
        if (name.isNull()) {
            continue;
        }
        MenuItem item;
        item.title = name;
        item.action = MenuAction::OpenItem;
        item.tooltip = PathForDisplay(ref);
        item.iconPath = ref.Path();
        items->Append(std::move(item));
    }
    MenuItem summary = MenuItem::Info(SelectionSummary(selection.count, firstName));
    summary.submenu = std::move(items);
    menu.Append(std::move(summary));
    menu.AppendSeparator();
}

void AppendCutAndPaste(const MenuBuildInputs& inputs, Menu& menu) {
    const bool pending = inputs.cut.pending;
    if (pending) {
        AppendUnavailable(cmd::CutItems, menu);
    } else {
        AppendFixedCommand(cmd::CutItems, menu);
    }
    const bool target = IsPasteTarget(inputs.selection);
    if (pending && target) {
        AppendFixedCommand(cmd::PasteItems, menu);
    } else if (pending || target) {
        AppendUnavailable(cmd::PasteItems, menu);
    }
    menu.AppendSeparator();
}

enum class ExtensionScan { Found, NoExtension, NoValidItem };

// The first item that still exists and has an extension decides.
ExtensionScan ScanForExtension(const SelectionSnapshot& selection) {
    bool anyValid = false;
    for (const FileRef& ref : selection.items) {
        if (!ref.IsValid()) {
            continue;
        }
        anyValid = true;
        if (!LowercaseExtension(ref).isNull()) {
            return ExtensionScan::Found;
        }
    }
    return anyValid ? ExtensionScan::NoExtension : ExtensionScan::NoValidItem;
}

const std::array<std::pair<const QString*, DestinationCommand>, 6> kDestinations{{
    {&keys::IncludeMoveTo, DestinationCommand::MoveTo},
    {&keys::IncludeCopyTo, DestinationCommand::CopyTo},
    {&keys::IncludeArchiveTo, DestinationCommand::ArchiveTo},
    {&keys::IncludeAliasTo, DestinationCommand::AliasTo},
    {&keys::IncludeOpenFolder, DestinationCommand::OpenFolder},
    {&keys::IncludeHardLinkTo, DestinationCommand::HardLinkTo},
}};

void AppendDestinationCommands(MenuBuildInputs& inputs, const QStringList& pathnames, Menu& menu) {
    std::array<bool, kDestinations.size()> included{};
    bool any = false;
    for (size_t i = 0; i < kDestinations.size(); ++i) {
        included[i] = ReadBoolPref(inputs.settings, *kDestinations[i].first);
        any = any || included[i];
    }
    if (!any) {
        return;
    }
    // Each header's submenu starts with "Choose Folder…" (a submenu title
    // cannot be chosen), so no hint lines point at the headers; one
    // separator sets the headers apart.
    if (!menu.items.empty() && !menu.items.back().separator) {
        menu.AppendSeparator();
    }
    const QStringList titles = FolderItemTitles(inputs.settings, pathnames);
    // Which listed folders cannot take this selection, looked at once for
    // all six headers.
    std::optional<DestinationPreflight> preflight;
    if (!pathnames.isEmpty()) {
        preflight.emplace(inputs.selection, pathnames);
    }
    for (size_t i = 0; i < kDestinations.size(); ++i) {
        if (included[i]) {
            BuildSubMenu(HeaderTitle(kDestinations[i].second), pathnames, titles, menu,
                         preflight ? &*preflight : nullptr);
        }
    }
}

// Steps that need the selection; false when the build goes straight to the
// closing block.
bool AppendSelectionItems(MenuBuildInputs& inputs, MenuKind kind, Menu& menu) {
    const SelectionSnapshot& selection = inputs.selection;
    if (!selection.hasArray) {
        menu.Append(MenuItem::Info(QStringLiteral("The file manager has no active selection")));
        return false;
    }
    const QString firstName =
        selection.items.empty() ? QString() : ItemDisplayName(selection.items.front());
    if (!firstName.isNull()) {
        AppendSelectionLine(selection, firstName, inputs.itemLines, menu);
    } else if (kind == MenuKind::MoveService) {
        menu.Append(MenuItem::Info(QStringLiteral("The first selected item has no name")));
        return false;
    }

    if (ReadBoolPref(inputs.settings, keys::IncludeWrapItems)) {
        AppendFixedCommand(cmd::WrapItems, menu);
        menu.AppendSeparator();
    }
    if (ReadBoolPref(inputs.settings, keys::IncludeCutAndPasteItems)) {
        AppendCutAndPaste(inputs, menu);
    }

    // The Move Service menu says nothing about invalid references.
    auto invalid = [&] {
        if (kind == MenuKind::Status) {
            menu.Append(MenuItem::Info(QStringLiteral("File references are invalid")));
        }
        return false;
    };
    if (selection.count < 1 || selection.items.empty()) {
        return invalid();
    }
    switch (ScanForExtension(selection)) {
    case ExtensionScan::Found:
        if (RefreshExtensionMap(inputs.settings, inputs.extensionFolderMap)) {
            AppendFixedCommand(cmd::PutInItsPlace, menu);
        }
        break;
    case ExtensionScan::NoExtension:
        break;
    case ExtensionScan::NoValidItem:
        return invalid();
    }

    const QStringList pathnames = FolderPathnames(inputs.settings, keys::PathnamesAliases);
    if (selection.count == 1 && selection.items.size() == 1 &&
        IsPlainFolder(selection.items.front())) {
        AppendFixedCommand(IsListedFolder(selection.items.front(), pathnames) ? cmd::RemoveFolder
                                                                              : cmd::AddFolder,
                           menu);
        menu.AppendSeparator();
    }
    AppendDestinationCommands(inputs, pathnames, menu);
    return true;
}

} // namespace

QString SelectionSummary(long count, const QString& firstName) {
    // One pass over the pattern, so a "%1" inside the name stays as it is.
    return QStringLiteral("%1 %2, First item: %3")
        .arg(QString::number(count), count == 1 ? QStringLiteral("Item") : QStringLiteral("Items"),
             firstName);
}

void AppendMenuBody(MenuBuildInputs& inputs, MenuKind kind, Menu& menu) {
    if (!inputs.selection.given) {
        RefreshSelectionSnapshot(inputs.selection);
    }
    AppendSelectionItems(inputs, kind, menu);
    AppendClosingBlock(menu, kind == MenuKind::Status ? ClosingBlock::StatusMenu
                                                      : ClosingBlock::MoveServiceMenu);
}

} // namespace ferrolet
