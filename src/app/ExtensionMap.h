#pragma once

#include "settings/SettingsStore.h"

#include <QMap>
#include <QString>

namespace ferrolet {

// RefreshExtensionMap: empties the map, then pairs the i-th extension of
// "Extensions" with the i-th resolved folder of "ExtensionPathsAliases".
// The preferences window keeps both lists the same length; should they
// differ, only the pairs up to the shorter list are made. True when the map
// was filled; it stays empty whenever the answer is false. Keys are
// ExtensionMatchKey forms (lower-cased, no leading dot), so ".pdf" and "pdf"
// both file report.pdf.
bool RefreshExtensionMap(SettingsStore& settings, QMap<QString, QString>& map);

} // namespace ferrolet
