#pragma once

#include "DestinationPreflight.h"
#include "dispatch/MenuModel.h"
#include "settings/SettingsStore.h"

#include <QString>
#include <QStringList>

namespace ferrolet {

// The titles of the folder items for a destination list: each entry's path,
// or, when "NameMenuItemAfterFolder" is on, the display name of the folder
// it names (the path stays when the entry names nothing, as
// "<< Folder Not Found >>" does). Worked out once per build and shared by
// the six headers.
QStringList FolderItemTitles(SettingsStore& settings, const QStringList& pathnames);

// Appends the header titled title (tag the title's base, action
// ChooseFolder) with a submenu that starts, for every header but Open
// Folder's, with "Choose Folder…" (the header's own action, since a submenu
// title cannot be chosen) and a separator, then the folder items: entry i has tag
// (i + 1) × base, action RunCommand, tooltip its path and title
// titles[i]. An empty list gives the one greyed line "No predefined
// destination folders". Only the first kMaxFolderItems entries are listed,
// so that no folder tag can be read back as another command's. With
// preflight, a folder that cannot take the selection is greyed with its
// reason.
void BuildSubMenu(const QString& title, const QStringList& pathnames, const QStringList& titles,
                  Menu& menu, const DestinationPreflight* preflight = nullptr);

// The same with the titles worked out from the settings.
void BuildSubMenu(SettingsStore& settings, const QString& title, const QStringList& pathnames,
                  Menu& menu);

} // namespace ferrolet
