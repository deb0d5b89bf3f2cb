#include "FolderSubMenu.h"

#include "dispatch/CommandIds.h"
#include "items/ItemNames.h"
#include "platform/PathHelpers.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"

#include <algorithm>

namespace ferrolet {

namespace {
// Paths longer than this (with the terminating zero) cannot name a folder.
constexpr qsizetype kMaxPathBytes = 4096;

QString TitleForEntry(const QString& path) {
    if (path.toUtf8().size() + 1 > kMaxPathBytes) {
        return path;
    }
    FileRef ref;
    if (!RefForPath(path, ref)) {
        return path;
    }
    const QString name = ItemDisplayName(ref);
    return name.isNull() ? path : name;
}
} // namespace

QStringList FolderItemTitles(SettingsStore& settings, const QStringList& pathnames) {
    if (pathnames.isEmpty() || !ReadBoolPref(settings, keys::NameMenuItemAfterFolder)) {
        return pathnames;
    }
    QStringList titles;
    const qsizetype shown = std::min<qsizetype>(pathnames.size(), kMaxFolderItems);
    titles.reserve(shown);
    for (qsizetype i = 0; i < shown; ++i) {
        titles.append(TitleForEntry(pathnames[i]));
    }
    return titles;
}

void BuildSubMenu(const QString& title, const QStringList& pathnames, const QStringList& titles,
                  Menu& menu, const DestinationPreflight* preflight) {
    const int base = BaseForTitle(title);
    auto submenu = std::make_shared<Menu>();

    MenuItem header;
    header.title = title;
    header.action = MenuAction::ChooseFolder;
    header.tag = base;
    header.tooltip = QStringLiteral("Choose a listed folder, or Choose Folder… for another");
    header.submenu = submenu;
    // A submenu title cannot be chosen, so the header's own action (the
    // folder dialog) comes first in its submenu. Open Folder's header does
    // nothing, so it has none.
    if (base != static_cast<int>(DestinationCommand::OpenFolder)) {
        MenuItem choose;
        choose.title = QStringLiteral("Choose Folder…");
        choose.action = MenuAction::ChooseFolder;
        choose.tag = base;
        choose.tooltip = QStringLiteral("Choose the folder in a dialog");
        submenu->Append(std::move(choose));
        submenu->AppendSeparator();
    }
    menu.Append(std::move(header));

    if (pathnames.isEmpty()) {
        submenu->Append(MenuItem::Info(QStringLiteral("No predefined destination folders")));
        return;
    }
    const qsizetype shown =
        std::min({pathnames.size(), titles.size(), static_cast<qsizetype>(kMaxFolderItems)});
    submenu->items.reserve(static_cast<size_t>(shown));
    for (qsizetype i = 0; i < shown; ++i) {
        MenuItem item;
        item.title = titles[i];
        item.action = MenuAction::RunCommand;
        item.tag = static_cast<int>(i + 1) * base;
        item.tooltip = pathnames[i];
        if (preflight && base != 0) {
            const QString reason = preflight->Reason(static_cast<DestinationCommand>(base), i);
            if (!reason.isEmpty()) {
                MarkUnavailable(item, reason);
            }
        }
        submenu->Append(std::move(item));
    }
}

void BuildSubMenu(SettingsStore& settings, const QString& title, const QStringList& pathnames,
                  Menu& menu) {
    BuildSubMenu(title, pathnames, FolderItemTitles(settings, pathnames), menu);
}

} // namespace ferrolet
