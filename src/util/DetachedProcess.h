#pragma once

#include <QString>
#include <QStringList>

namespace ferrolet {

// Starts a program that outlives us (a file manager, a browser, a new
// instance of Ferrolet) with an argument vector, never through a shell. Its
// standard input, output and error go to /dev/null: it must not hold on to
// ours, or whoever reads our output would wait for it to end.
bool StartDetached(const QString& program, const QStringList& arguments);

} // namespace ferrolet
