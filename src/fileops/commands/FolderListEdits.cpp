#include "fileops/commands/FolderListEdits.h"

#include "journal/GestureRecorder.h"
#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"

#include <algorithm>
#include <fcntl.h>

namespace ferrolet {

qsizetype ListedFolderPosition(const QStringList& list, const QString& path,
                               const ItemIdentity& identity) {
    for (qsizetype i = 0; i < list.size(); ++i) {
        if (list.at(i) == path) {
            return i;
        }
    }
    for (qsizetype i = 0; i < list.size() && identity.IsSet(); ++i) {
        const ItemIdentity listed = IdentityAt(AT_FDCWD, list.at(i).toStdString());
        if (listed.device == identity.device && listed.inode == identity.inode) {
            return i;
        }
    }
    return -1;
}

void RecordListEdit(StepKind kind, const QString& key, const QString& path, qsizetype position,
                    bool title) {
    GestureRecorder* recorder = GestureRecorder::Current();
    if (!recorder) {
        return;
    }
    const std::string folder = path.toStdString();
    RecordDoneStep(kind, key.toStdString(), folder, IdentityAt(AT_FDCWD, folder),
                   std::to_string(position));
    if (title) {
        const QString verb = kind == StepKind::ListAdd ? QStringLiteral("Add Folder")
                                                       : QStringLiteral("Remove Folder");
        const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
        recorder->SetTitle(QStringLiteral("%1 \u201C%2\u201D").arg(verb, name));
    }
}

Status UndoListEdit(CommandContext& ctx, const JournalStep& step) {
    const QString key = QString::fromStdString(step.from);
    if (key != keys::PathnamesAliases) {
        return EINVAL; // the only list these commands edit
    }
    ctx.settings.Synchronize();
    QStringList list = FolderPathnames(ctx.settings, key);
    const QString path = QString::fromStdString(step.to);
    if (step.kind == StepKind::ListAdd) {
        const qsizetype at = ListedFolderPosition(list, path, step.identity);
        if (at < 0) {
            return ENOENT;
        }
        list.removeAt(at);
        StoreDestinationPathnames(ctx.settings, list);
        RecordListEdit(StepKind::ListRemove, key, path, at, false);
    } else {
        const qsizetype at =
            std::clamp<qsizetype>(std::atoll(step.partial.c_str()), 0, list.size());
        list.insert(at, path);
        StoreDestinationPathnames(ctx.settings, list);
        RecordListEdit(StepKind::ListAdd, key, path, at, false);
    }
    if (ctx.updatePathnamesTable) {
        ctx.updatePathnamesTable();
    }
    return 0;
}

} // namespace ferrolet
