#include "dispatch/MenuModel.h"

namespace ferrolet {

QString MenuActionName(MenuAction action) {
    switch (action) {
    case MenuAction::None:
        return {};
    case MenuAction::RunCommand:
        return QStringLiteral("command");
    case MenuAction::ChooseFolder:
        return QStringLiteral("choose-folder");
    case MenuAction::OpenItem:
        return QStringLiteral("open");
    case MenuAction::Undo:
        return QStringLiteral("undo");
    case MenuAction::Preferences:
        return QStringLiteral("preferences");
    case MenuAction::About:
        return QStringLiteral("about");
    case MenuAction::Quit:
        return QStringLiteral("quit");
    }
    return {};
}

namespace {

QString Escape(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QChar::LineSeparator ||
                c == QChar::ParagraphSeparator) {
                out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            } else {
                out += c;
            }
        }
    }
    return out;
}

void AppendText(const Menu& menu, int depth, QString& out) {
    const QString indent(static_cast<qsizetype>(depth) * 2, QLatin1Char(' '));
    for (const MenuItem& item : menu.items) {
        if (item.separator) {
            out += indent + QLatin1String("---\n");
            continue;
        }
        QString line = indent + Escape(item.title);
        if (item.tag != 0) {
            line += QStringLiteral("\ttag=%1").arg(item.tag);
        }
        if (item.action != MenuAction::None) {
            line += QLatin1String("\taction=") + MenuActionName(item.action);
        }
        if (!item.IsEnabled()) {
            line += QLatin1String("\tdisabled");
        }
        if (!item.tooltip.isEmpty()) {
            line += QLatin1String("\ttip=") + Escape(item.tooltip);
        }
        out += line + QLatin1Char('\n');
        if (item.submenu) {
            AppendText(*item.submenu, depth + 1, out);
        }
    }
}

} // namespace

QString MenuToText(const Menu& menu) {
    QString out;
    AppendText(menu, 0, out);
    return out;
}

} // namespace ferrolet
