#include "settings/OptionReaders.h"

#include "settings/SettingsKeys.h"

namespace ferrolet {

bool ReadBoolPref(SettingsStore& store, const QString& key) {
    const SettingDefinition* setting = FindSetting(key);
    const bool fallback = setting && setting->defaultValue.typeId() == QMetaType::Bool
                              ? setting->defaultValue.toBool()
                              : true;
    store.Synchronize();
    const QVariant value = store.Value(key);
    if (value.typeId() != QMetaType::Bool) {
        return fallback;
    }
    return value.toBool();
}

QStringList ReadExtensions(SettingsStore& store) {
    store.Synchronize();
    const QVariant value = store.Value(QStringLiteral("Extensions"));
    QStringList out;
    if (value.typeId() != QMetaType::QVariantList) {
        return out;
    }
    for (const QVariant& element : value.toList()) {
        out.append(element.typeId() == QMetaType::QString ? element.toString() : QString());
    }
    return out;
}

QString ExtensionMatchKey(const QString& stored) {
    qsizetype dots = 0;
    while (dots < stored.size() && stored[dots] == QLatin1Char('.')) {
        ++dots;
    }
    return stored.mid(dots).toLower();
}

QVariantList ReadArray(SettingsStore& store, const QString& key) {
    store.Synchronize();
    const QVariant value = store.Value(key);
    if (value.typeId() != QMetaType::QVariantList) {
        return {};
    }
    return value.toList();
}

QString ReadLastSelectedSound(const SettingsStore& store) {
    const QVariant value = store.Value(QStringLiteral("LastSelectedSound"));
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

void WriteBoolPref(SettingsStore& store, const QString& key, int state) {
    store.SetAppValue(key, QVariant(state != 0));
    store.Synchronize();
}

} // namespace ferrolet
