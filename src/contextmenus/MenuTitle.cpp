#include "MenuTitle.h"

#include <QList>

namespace ferrolet {

namespace {

constexpr qsizetype kMaxTitleBytes = 200;

QString Visible(char32_t c) {
    if (c < 0x20) {
        return QString(QChar(static_cast<char16_t>(0x2400 + c)));
    }
    if (c == 0x7f) {
        return QStringLiteral("\u2421");
    }
    if ((c >= 0x80 && c < 0xa0) || (c & 0xfffe) == 0xfffe || (c >= 0xfdd0 && c <= 0xfdef)) {
        // The C1 controls have no pictures; noncharacters would make an XML
        // file (Thunar's) unreadable as a whole.
        return QStringLiteral("\ufffd");
    }
    if (c == 0x2028 || c == 0x2029) {
        return QStringLiteral(" "); // line and paragraph separators break lines too
    }
    if (c == '/') {
        return QStringLiteral("\u2215");
    }
    return QString::fromUcs4(&c, 1);
}

} // namespace

QString SafeMenuTitle(const QString& text) {
    QString title;
    const QList<uint> ucs4 = text.toUcs4();
    for (const uint c : ucs4) {
        const QString visible = Visible(c);
        if ((title + visible).toUtf8().size() > kMaxTitleBytes) {
            break;
        }
        title += visible;
    }
    if (title.startsWith(QLatin1Char('.'))) {
        title[0] = QChar(0x2024);
    }
    return title.isEmpty() ? QStringLiteral("?") : title;
}

QString MenuTitleForFolder(const QString& path) {
    QString trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith(QLatin1Char('/'))) {
        trimmed.chop(1);
    }
    const qsizetype slash = trimmed.lastIndexOf(QLatin1Char('/'));
    const QString name = trimmed == QLatin1String("/") ? trimmed : trimmed.mid(slash + 1);
    return SafeMenuTitle(name);
}

} // namespace ferrolet
