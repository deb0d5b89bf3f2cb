#include "RowReorder.h"

#include <algorithm>

namespace ferrolet {

QList<int> MoveRowsTo(QStringList& list, QList<int> dragged, int dropRow) {
    const int count = static_cast<int>(list.size());
    dragged.erase(std::remove_if(dragged.begin(), dragged.end(),
                                 [count](int i) { return i < 0 || i >= count; }),
                  dragged.end());
    std::sort(dragged.begin(), dragged.end());
    dragged.erase(std::unique(dragged.begin(), dragged.end()), dragged.end());
    if (dragged.isEmpty()) {
        return {};
    }

    const int first = dragged.front();
    // Dropping below the first dragged row: the gap closes once it is taken
    // out, so the destination is one row higher.
    const int dest = first < dropRow ? dropRow - 1 : dropRow;
    const int shift = dest - first;

    QStringList moved;
    while (!dragged.isEmpty()) {
        const int i = dragged.takeFirst();
        if (i < 0 || i >= list.size()) {
            continue; // renumbering can push an index off the list
        }
        moved.append(list.at(i));
        const int target = i + shift;
        if (target != i && target >= 0 && target < list.size()) {
            list.move(i, target);
        }
        // The rows at or above the destination slid up by one behind the
        // moved element.
        for (int& j : dragged) {
            if (j <= dest) {
                --j;
            }
        }
    }

    QList<int> selection;
    for (const QString& element : moved) {
        const int row = static_cast<int>(list.indexOf(element));
        if (row >= 0 && !selection.contains(row)) {
            selection.append(row);
        }
    }
    std::sort(selection.begin(), selection.end());
    return selection;
}

} // namespace ferrolet
