#pragma once

#include <QString>

#include <functional>

namespace ferrolet {

// Writes one of the program's fixed lines to the system log (ident
// "Ferrolet") and the same line to standard error.
void Log(const QString& line);

// Replaces where log lines go; an empty sink restores syslog + stderr.
// Tests capture the lines through it.
using LogSink = std::function<void(const QString&)>;
void SetLogSink(LogSink sink);

} // namespace ferrolet
