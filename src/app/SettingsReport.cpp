#include "SettingsReport.h"

#include "settings/FolderLists.h"
#include "settings/SettingsKeys.h"

namespace ferrolet {

namespace {
QString OneLine(QString text) {
    text.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    text.replace(QLatin1Char('\t'), QLatin1String("\\t"));
    return text;
}

QString ScalarText(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::QString:
        return OneLine(v.toString());
    case QMetaType::QByteArray:
        return QStringLiteral("<data %1 bytes>").arg(v.toByteArray().size());
    case QMetaType::QVariantList:
        return QStringLiteral("<array %1 entries>").arg(v.toList().size());
    case QMetaType::QVariantMap:
        return QStringLiteral("<dictionary %1 entries>").arg(v.toMap().size());
    default:
        return OneLine(v.toString());
    }
}
} // namespace

QString SettingsReport(SettingsStore& store) {
    store.Synchronize();
    QString out;
    for (const SettingDefinition& setting : AllSettings()) {
        const QString key = QString::fromLatin1(setting.key);
        const QVariant stored = store.Value(key);
        QVariant effective = stored;
        bool isDefault = !stored.isValid();
        // A value of another type than the key's reads as the default.
        const bool typeMatches =
            stored.isValid() &&
            ((setting.type == SettingType::Boolean && stored.typeId() == QMetaType::Bool) ||
             (setting.type == SettingType::String && stored.typeId() == QMetaType::QString) ||
             (setting.type == SettingType::Integer && stored.typeId() == QMetaType::LongLong) ||
             ((setting.type == SettingType::StringArray ||
               setting.type == SettingType::DataArray) &&
              stored.typeId() == QMetaType::QVariantList));
        if (stored.isValid() && !typeMatches) {
            isDefault = true;
        }
        if (isDefault) {
            effective = setting.defaultValue;
        }
        QString line = key + QLatin1String(" = ");
        const bool isList =
            setting.type == SettingType::StringArray || setting.type == SettingType::DataArray;
        if (!isList) {
            line += effective.isValid() ? ScalarText(effective) : QString();
        }
        if (isDefault) {
            line += QLatin1String(" (default)");
        }
        out += line + QLatin1Char('\n');
        if (setting.type == SettingType::DataArray && !isDefault) {
            // Folder lists print the folders they designate now.
            for (const QString& path : FolderPathnames(store, key)) {
                out += QLatin1String("  ") + OneLine(path) + QLatin1Char('\n');
            }
        } else if (isList && effective.isValid()) {
            for (const QVariant& entry : effective.toList()) {
                out += QLatin1String("  ") + ScalarText(entry) + QLatin1Char('\n');
            }
        }
    }
    return out;
}

} // namespace ferrolet
