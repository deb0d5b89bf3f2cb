#include "CommandLineQuoting.h"

namespace ferrolet {

bool UsableProgramPath(const std::string& program) {
    if (program.empty() || program[0] != '/') {
        return false;
    }
    const QString text = QString::fromUtf8(program);
    if (text.toUtf8().toStdString() != program) {
        return false; // not UTF-8
    }
    for (const QChar c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c == QLatin1Char('%') ||
            c.category() == QChar::Other_Control) {
            return false;
        }
    }
    return true;
}

QString DesktopExecArgument(const QString& argument) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\')) {
            quoted += QLatin1Char('\\');
        }
        quoted += c;
    }
    quoted += QLatin1Char('"');
    return KeyFileValue(quoted);
}

QString KeyFileValue(const QString& text) {
    QString value = text;
    return value.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
}

QString ShellArgument(const QString& argument) {
    QString quoted = argument;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

QString XmlText(const QString& text) {
    return text.toHtmlEscaped().replace(QLatin1Char('\''), QLatin1String("&apos;"));
}

} // namespace ferrolet
