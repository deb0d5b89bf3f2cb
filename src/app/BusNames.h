#pragma once

namespace ferrolet {

// The running instance's name, object and control interface on the session
// bus (gui/ControlAdaptor serves them; the command line calls them).
inline constexpr const char* kBusService = "com.quorvane.Ferrolet";
inline constexpr const char* kBusPath = "/com/quorvane/Ferrolet";
inline constexpr const char* kControlInterface = "com.quorvane.Ferrolet.Control";

} // namespace ferrolet
