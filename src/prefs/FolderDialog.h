#pragma once

#include "platform/Platform.h"

#include <QStringList>

#include <functional>

class QWidget;

namespace ferrolet {

// Asks the user for folders; the chosen paths in the dialog's order, empty
// when cancelled. Tests put a scripted answer in its place.
using FolderChooser = std::function<QStringList(QWidget* parent, const FolderDialogRequest&)>;

// A modal file dialog for directories only, with folder creation allowed and,
// when asked, several folders chosen at once.
QStringList RunFolderDialog(QWidget* parent, const FolderDialogRequest& request);

} // namespace ferrolet
