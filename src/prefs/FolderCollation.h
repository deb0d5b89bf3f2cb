#pragma once

#include <QStringList>

namespace ferrolet {

// Sorts folder paths the way people read them, ascending: case is ignored,
// punctuation counts, and runs of digits compare by their numeric value, so
// "Folder 9" sorts before "Folder 10". Whole paths are compared.
void SortFolderPaths(QStringList& paths);

} // namespace ferrolet
