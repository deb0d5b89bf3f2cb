#pragma once

#include "platform/Platform.h"

#include <QStringList>

#include <functional>

class QWidget;

namespace ferrolet {

// Asks the user for folders; the chosen paths in the dialog's order, empty
// when cancelled. Tests put a scripted answer in its place.
using FolderChooser = std::function<QStringList(QWidget* parent, const FolderDialogRequest&)>;

// The program's one folder dialog: a modal file dialog for directories only,
// opening in the home folder, with folder creation allowed, the request's
// title and prompt and, when asked, several folders chosen at once. Without
// a parent window it stays on top of other windows. Empty when cancelled or
// when there is no display (no QApplication) to show it on.
QStringList RunFolderDialog(QWidget* parent, const FolderDialogRequest& request);

} // namespace ferrolet
