#pragma once

#include <QList>
#include <QStringList>

namespace ferrolet {

// Moves the dragged rows of a list to the drop row (the gap above that row;
// count means after the last). Rows are moved one at a time, smallest first,
// each by the same shift (the first dragged row's distance to its
// destination), so rows dragged from both sides of the drop keep their gaps
// and a row that would leave the list stays where it is.
//
// Returns the rows now holding the dragged elements (for each element the
// first row holding an equal string), ascending, to become the selection.
// Dragged indexes outside the list are ignored.
QList<int> MoveRowsTo(QStringList& list, QList<int> dragged, int dropRow);

} // namespace ferrolet
