#include "UnavailableDestination.h"

#include "dispatch/CommandIds.h"

namespace ferrolet {

const MenuItem* FindUnavailableDestination(const Menu& menu, int tag) {
    for (const MenuItem& item : menu.items) {
        if (item.tag == tag && item.action == MenuAction::RunCommand &&
            !item.unavailableReason.isEmpty()) {
            return &item;
        }
        if (item.submenu) {
            if (const MenuItem* found = FindUnavailableDestination(*item.submenu, tag)) {
                return found;
            }
        }
    }
    return nullptr;
}

QString ReportUnavailableDestination(Platform& platform, const MenuItem& item) {
    const auto decoded = DecodeMenuItemTag(item.tag);
    const QString command = decoded && decoded->kind == DecodedTag::Kind::Destination
                                ? HeaderTitle(decoded->command)
                                : QStringLiteral("The command");
    // The tooltip is the folder's path followed by " (reason)".
    const QString suffix = QStringLiteral(" (%1)").arg(item.unavailableReason);
    QString path = item.tooltip;
    if (path.endsWith(suffix)) {
        path.chop(suffix.size());
    }
    platform.Notify(QStringLiteral("%1 is not possible").arg(command),
                    QStringLiteral("The folder \u201c%1\u201d cannot take the selected items: %2. "
                                   "Nothing was changed.")
                        .arg(path, item.unavailableReason));
    return QStringLiteral("%1 \"%2\" is not possible now: %3")
        .arg(command, path, item.unavailableReason);
}

} // namespace ferrolet
