#pragma once

#include "settings/SettingsStore.h"

namespace ferrolet {

// One look at the settings file for the span of one item of a command: the
// first reader synchronises as always (one stat, and a new read when the
// file's identity, size or times changed), and every reader after it until
// the scope ends uses what that look found. The next item's scope looks
// again, so a change made in the preferences window during a long run
// applies from the next item on.
class SettingsLook {
public:
    explicit SettingsLook(SettingsStore& store) : m_store(store) { m_store.BeginLook(); }
    ~SettingsLook() { m_store.EndLook(); }
    SettingsLook(const SettingsLook&) = delete;
    SettingsLook& operator=(const SettingsLook&) = delete;

private:
    SettingsStore& m_store;
};

} // namespace ferrolet
