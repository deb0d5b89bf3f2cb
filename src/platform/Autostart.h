#pragma once

#include <string>
#include <system_error>

namespace ferrolet {

// Starting at login, through the user's XDG autostart entry
// $XDG_CONFIG_HOME/autostart/com.quorvane.Ferrolet.desktop (default
// ~/.config/autostart). The state is the file itself, never a stored key, so
// a change made by hand or by another program shows at the next look.

// The user's entry (whether it exists or not). Empty when no home is known.
std::string AutostartEntryPath();

// The text of the entry Ferrolet writes: it starts the installed `ferrolet`
// (found in PATH) with no arguments, which runs the tray application.
std::string AutostartEntryText();

// True when the desktop will start the entry at login: the user's entry, or
// else a system-wide one of the same name in $XDG_CONFIG_DIRS/autostart
// (default /etc/xdg), exists and is not switched off (Hidden=true or
// X-GNOME-Autostart-enabled=false). A user's own entry under that name counts
// as it is.
bool StartsAtLogin();

// On: when the desktop would not start Ferrolet yet, writes the user's entry
// (temporary file in the same folder, renamed over). An entry that already
// starts it is left as it is, so turning it on twice changes nothing.
// Off: removes the user's entry, whoever wrote it; when a system-wide entry
// of that name would still start it, writes a user entry with Hidden=true
// instead, as the autostart rules ask. Off with nothing there is not an error.
std::error_code SetStartAtLogin(bool on);

} // namespace ferrolet
