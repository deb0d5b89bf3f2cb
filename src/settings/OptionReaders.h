#pragma once

#include "settings/SettingsStore.h"

#include <QStringList>
#include <QVariantList>

namespace ferrolet {

// The settings readers. Each synchronises the domain first, so a change made
// by the preferences window (or another process) is seen at once. Readers
// never fail: a missing value, or one of another type, gives the key's
// default. Only a stored boolean counts as a boolean.
bool ReadBoolPref(SettingsStore& store, const QString& key);

// "Extensions" as a list; any element that is not a string reads as an
// empty string so indexes stay paired with the folder list. Empty when the
// stored value is not an array.
QStringList ReadExtensions(SettingsStore& store);

// An entry of "Extensions" as Put In Its Place matches it: lower-cased and
// without leading dots, since users often type ".pdf" for pdf. Items'
// extensions are taken lower-cased and without their dot.
QString ExtensionMatchKey(const QString& stored);

// The array stored under key, or an empty list.
QVariantList ReadArray(SettingsStore& store, const QString& key);

// The completion sound's name: "LastSelectedSound" when it is a string (read
// without synchronising first, as the sound player always did), else empty.
QString ReadLastSelectedSound(const SettingsStore& store);

// Stores true for a non-zero checkbox state (checked or mixed), false for 0,
// and synchronises at once.
void WriteBoolPref(SettingsStore& store, const QString& key, int state);

} // namespace ferrolet
