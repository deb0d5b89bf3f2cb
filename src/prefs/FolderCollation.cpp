#include "FolderCollation.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>

namespace ferrolet {

void SortFolderPaths(QStringList& paths) {
    // The default Unicode collation order, the same whatever the user's
    // locale: English uses the root rules unchanged. (The C locale's collator
    // would compare code points and ignore both the case and numeric modes.)
    QCollator collator(QLocale(QLocale::English, QLocale::UnitedStates));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    collator.setIgnorePunctuation(false);
    std::stable_sort(paths.begin(), paths.end(), [&collator](const QString& a, const QString& b) {
        return collator.compare(a, b) < 0;
    });
}

} // namespace ferrolet
