#include "DestinationPreflight.h"

#include "DestinationChecks.h"
#include "DestinationProbe.h"
#include "SelectionFacts.h"
#include "settings/FolderLists.h"

namespace ferrolet {

DestinationPreflight::DestinationPreflight(const SelectionSnapshot& selection,
                                           const QStringList& pathnames) {
    // The folders are probed on their mounts' threads while the selection
    // is looked at here.
    PendingProbe probes = StartProbing(pathnames);
    m_selection = GatherSelectionFacts(selection);
    m_destinations = CollectProbes(probes);
    m_paths.reserve(static_cast<size_t>(pathnames.size()));
    for (const QString& path : pathnames) {
        m_paths.push_back(path.toStdString());
    }
}

QString DestinationPreflight::Reason(DestinationCommand command, qsizetype index) const {
    const auto i = static_cast<size_t>(index);
    if (index < 0 || i >= m_destinations.size()) {
        return {};
    }
    return UnavailableReason(command, m_selection, m_destinations[i], m_paths[i]);
}

void MarkUnavailable(MenuItem& item, const QString& reason) {
    // "<< Folder Not Found >>" says it already.
    if (item.tooltip != kFolderNotFound) {
        const QString suffix = QStringLiteral(" (%1)").arg(reason);
        item.title += suffix;
        item.tooltip += suffix;
    }
    item.explicitlyDisabled = true;
    item.unavailableReason = reason;
}

} // namespace ferrolet
