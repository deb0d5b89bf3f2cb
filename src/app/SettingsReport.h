#pragma once

#include "settings/SettingsStore.h"

#include <QString>

namespace ferrolet {

// The text of `ferrolet --settings`: every key of the settings table with its
// effective value, one line each ("Key = value", then " (default)" when the
// key is not stored); lists print one entry per following line, indented by
// two spaces.
QString SettingsReport(SettingsStore& store);

} // namespace ferrolet
