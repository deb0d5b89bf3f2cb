#include "MoveSelection.h"

#include "DestinationCommand.h"
#include "MoveItem.h"

namespace ferrolet {

void MoveSelectionToFolder(CommandContext& ctx, int k) {
    DestinationOperation operation;
    // The snapshot's reference is moved rather than whatever its path holds
    // now, so a replaced item is never moved in its place.
    operation.action = [](CommandContext& c, const FileRef& item, const std::string&,
                          const std::string& destinationPath, FileRef& newItem) {
        return MoveItemToPath(c, item, destinationPath, &newItem);
    };
    operation.failureLine = QStringLiteral("Ferrolet: An error occurred moving a folder or file.");
    RunDestinationCommand(ctx, k, operation);
}

} // namespace ferrolet
