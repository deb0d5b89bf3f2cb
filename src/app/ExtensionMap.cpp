#include "ExtensionMap.h"

#include "settings/FolderLists.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"

#include <algorithm>

namespace ferrolet {

bool RefreshExtensionMap(SettingsStore& settings, QMap<QString, QString>& map) {
    map.clear();
    const QStringList extensions = ReadExtensions(settings);
    if (extensions.isEmpty()) {
        return false;
    }
    const QStringList folders = FolderPathnames(settings, keys::ExtensionPathsAliases);
    if (folders.isEmpty()) {
        return false;
    }
    const qsizetype pairs = std::min(extensions.size(), folders.size());
    for (qsizetype i = 0; i < pairs; ++i) {
        // Keyed as items' extensions are looked up: ".PDF" files report.pdf.
        const QString key = ExtensionMatchKey(extensions[i]);
        if (!key.isEmpty()) {
            map.insert(key, folders[i]);
        }
    }
    return true;
}

} // namespace ferrolet
