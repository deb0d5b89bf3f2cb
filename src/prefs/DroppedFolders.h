#pragma once

#include <QList>
#include <QStringList>
#include <QUrl>

namespace ferrolet {

// A plain folder is a directory that is not a symbolic link and not an
// application folder (an AppDir: a directory holding an executable "AppRun").
// Files, links, AppDirs and paths that do not exist are not.
bool IsDroppablePlainFolder(const QString& path);

// The local paths of dropped URIs, in drop order; anything that is not a
// file:// URI is left out.
QStringList LocalPathsOfUrls(const QList<QUrl>& urls);

// True when at least one of the paths is a plain folder.
bool AnyPlainFolder(const QStringList& paths);

} // namespace ferrolet
