#include "fileops/commands/DestinationListCommands.h"

#include "fileops/commands/CommandRun.h"
#include "fileops/commands/FolderListEdits.h"
#include "items/ItemKinds.h"
#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"

namespace ferrolet {

namespace {

// Folder paths in the list are kept at most this long.
constexpr size_t kMaxListedPathBytes = 2048;

// The one selected plain folder and its path, as Add and Remove Folder need.
bool SingleSelectedFolder(const CommandContext& ctx, FileRef& folder, QString& path) {
    const SelectionSnapshot& selection = ctx.selection;
    if (!selection.hasArray || selection.count != 1 || selection.items.size() != 1) {
        return false;
    }
    folder = selection.items.front();
    if (!IsPlainFolder(folder)) {
        return false;
    }
    std::string bytes;
    if (folder.MakePath(bytes, kMaxListedPathBytes) != 0) {
        return false;
    }
    // The list holds text; a path that is not UTF-8 could not be found again.
    path = QString::fromUtf8(bytes);
    return path.toUtf8().toStdString() == bytes;
}

void RefreshPreferencesWindow(CommandContext& ctx) {
    if (ctx.updatePathnamesTable) {
        ctx.updatePathnamesTable();
    }
}

} // namespace

void OpenListedFolder(CommandContext& ctx, int k) {
    const QStringList list = FolderPathnames(ctx.settings, keys::PathnamesAliases);
    if (k < 1 || k - 1 >= list.size()) {
        return;
    }
    FileRef folder;
    bool isFolder = false;
    if (FileRef::FromPath(list.at(k - 1).toStdString(), folder, FileRef::Leaf::Follow, &isFolder) !=
            0 ||
        !isFolder) {
        return;
    }
    ctx.platform.OpenFolder(folder.Path());
}

void AddSelectedFolder(CommandContext& ctx) {
    // A run of its own so that the journal keeps the edit as a gesture.
    CommandRunScope run(ctx, QStringLiteral("Add Folder"), QStringLiteral("added"));
    ctx.settings.Synchronize();
    QStringList list = FolderPathnames(ctx.settings, keys::PathnamesAliases);
    FileRef folder;
    QString path;
    if (!SingleSelectedFolder(ctx, folder, path)) {
        return;
    }
    list.append(path);
    StoreDestinationPathnames(ctx.settings, list);
    RecordListEdit(StepKind::ListAdd, keys::PathnamesAliases, path, list.size() - 1, true);
    RefreshPreferencesWindow(ctx);
}

void RemoveSelectedFolder(CommandContext& ctx) {
    CommandRunScope run(ctx, QStringLiteral("Remove Folder"), QStringLiteral("removed"));
    ctx.settings.Synchronize();
    QStringList list = FolderPathnames(ctx.settings, keys::PathnamesAliases);
    if (list.isEmpty()) {
        return;
    }
    FileRef folder;
    QString path;
    if (!SingleSelectedFolder(ctx, folder, path)) {
        return;
    }
    qsizetype removed = -1;
    for (qsizetype i = 0; i < list.size() && removed < 0; ++i) {
        FileRef entry;
        if (FileRef::FromPath(list.at(i).toStdString(), entry, FileRef::Leaf::Follow) == 0 &&
            entry.Device() == folder.Device() && entry.Inode() == folder.Inode()) {
            removed = i;
        }
    }
    if (removed >= 0) {
        // The entry as listed, so that undo puts back what was there.
        const QString listed = list.takeAt(removed);
        StoreDestinationPathnames(ctx.settings, list);
        RecordListEdit(StepKind::ListRemove, keys::PathnamesAliases, listed, removed, true);
    } else {
        StoreDestinationPathnames(ctx.settings, list);
    }
    RefreshPreferencesWindow(ctx);
}

} // namespace ferrolet
