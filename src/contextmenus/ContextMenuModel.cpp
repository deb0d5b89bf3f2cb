#include "ContextMenuModel.h"

#include "MenuTitle.h"
#include "dispatch/CommandIds.h"
#include "settings/FolderLists.h"

#include <QSet>

namespace ferrolet {

namespace {

struct DestinationKind {
    DestinationCommand command;
    const char* idStem;
    const char* icon;
};

// The commands that file items away into a listed folder (Open Folder needs
// no items, so it has no place in a context menu).
constexpr DestinationKind kKinds[] = {
    {DestinationCommand::MoveTo, "move-to", "folder"},
    {DestinationCommand::CopyTo, "copy-to", "edit-copy"},
    {DestinationCommand::ArchiveTo, "archive-to", "package-x-generic"},
    {DestinationCommand::AliasTo, "alias-to", "emblem-symbolic-link"},
    {DestinationCommand::HardLinkTo, "hard-link-to", "insert-link"},
};

// The folder titles in list order (empty for a folder not found), each
// unique: a repeated name gets " (2)", " (3)" …
QStringList FolderTitles(const QStringList& destinations, qsizetype count) {
    QStringList titles;
    QSet<QString> taken;
    for (qsizetype i = 0; i < count; ++i) {
        const QString& path = destinations.at(i);
        if (path == kFolderNotFound || !path.startsWith(QLatin1Char('/'))) {
            titles << QString();
            continue;
        }
        const QString base = MenuTitleForFolder(path);
        QString title = base;
        for (int n = 2; taken.contains(title); ++n) {
            title = QStringLiteral("%1 (%2)").arg(base).arg(n);
        }
        taken.insert(title);
        titles << title;
    }
    return titles;
}

} // namespace

QString ContextMenuEntry::FlatTitle() const {
    return group.isEmpty() ? title : group + QStringLiteral(" ▸ ") + title;
}

ContextMenuModel BuildContextMenuModel(const QStringList& destinations, std::string program) {
    ContextMenuModel model;
    model.program = std::move(program);
    const qsizetype count = std::min<qsizetype>(destinations.size(), kMaxFolderItems);
    const QStringList titles = FolderTitles(destinations, count);
    for (const DestinationKind& kind : kKinds) {
        for (qsizetype i = 0; i < count; ++i) {
            if (titles.at(i).isEmpty()) {
                continue;
            }
            const int tag = static_cast<int>(i + 1) * static_cast<int>(kind.command);
            model.entries.push_back(
                {HeaderTitle(kind.command), titles.at(i), tag,
                 QStringLiteral("%1-%2").arg(QLatin1String(kind.idStem)).arg(i + 1),
                 QLatin1String(kind.icon)});
        }
    }
    for (const int id : {cmd::PutInItsPlace, cmd::WrapItems}) {
        const FixedCommand* fixed = FindFixedCommand(id);
        const QString title = QLatin1String(fixed->title);
        model.entries.push_back({QString(), title, id,
                                 title.toLower().replace(QLatin1Char(' '), QLatin1Char('-')),
                                 id == cmd::WrapItems ? QStringLiteral("folder-new")
                                                      : QStringLiteral("document-send")});
    }
    return model;
}

} // namespace ferrolet
