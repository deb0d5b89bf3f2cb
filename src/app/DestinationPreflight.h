#pragma once

#include "DestinationFacts.h"
#include "dispatch/CommandIds.h"
#include "dispatch/MenuModel.h"
#include "filemanager/Selection.h"

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace ferrolet {

// The checks of one menu build: which listed destinations cannot take the
// current selection, and why. The selection is looked at once (sizes summed
// once), each destination once, each file system once, whatever the number
// of command headers that list them.
class DestinationPreflight {
public:
    DestinationPreflight(const SelectionSnapshot& selection, const QStringList& pathnames);

    // The short reason entry index of the list cannot take the selection
    // for command; empty when it can.
    QString Reason(DestinationCommand command, qsizetype index) const;

private:
    SelectionFacts m_selection;
    std::vector<DestinationFacts> m_destinations;
    std::vector<std::string> m_paths;
};

// Greys a folder item and says why in its title and tooltip:
// "Archive (read-only)"; the reason is also kept for a refused --command.
void MarkUnavailable(MenuItem& item, const QString& reason);

} // namespace ferrolet
