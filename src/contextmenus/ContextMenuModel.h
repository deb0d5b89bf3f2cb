#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace ferrolet {

// One entry of the "Ferrolet" submenu that Ferrolet writes into the file
// managers' context menus: it runs `ferrolet --command TAG -- <items>` on the
// right-clicked items, exactly as choosing the tray menu item of that tag
// would on them.
struct ContextMenuEntry {
    QString group; // "Move To" … for a destination entry; empty for a top-level one
    QString title; // the folder's (or command's) title, safe for every file manager
    int tag = 0;   // the tray menu item's tag
    QString id;    // ASCII and file-name safe, unique: "move-to-3", "wrap-items"
    QString icon;  // a freedesktop icon name

    // The title in a flat menu: "Move To ▸ Documents", or the title alone.
    QString FlatTitle() const;
};

// Everything every file manager's entries are generated from.
struct ContextMenuModel {
    std::vector<ContextMenuEntry> entries;
    std::string program; // the absolute path of the ferrolet the entries run
};

// The entries for a destination list (path form, "<< Folder Not Found >>"
// for a folder that no longer resolves, which gets no entry but keeps its
// position, so every tag is (position + 1) × base as in the tray menu):
// Move To, Copy To, Archive To, Alias To and Hard Link To each folder, in
// list order and at most as many as the tray menu lists, then Put In Its
// Place and Wrap Items. Titles are unique within a group ("Docs",
// "Docs (2)"), since a scripts folder cannot hold two files of one name.
ContextMenuModel BuildContextMenuModel(const QStringList& destinations, std::string program);

} // namespace ferrolet
