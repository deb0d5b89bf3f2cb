#include "AliasCommand.h"

#include "AliasLink.h"
#include "DestinationCommand.h"

namespace ferrolet {

void AliasSelectionToFolder(CommandContext& ctx, int k) {
    DestinationOperation operation;
    operation.action = [](CommandContext&, const FileRef& item, const std::string&,
                          const std::string& destinationPath, FileRef& newItem) {
        return MakeAlias(item, destinationPath, &newItem) == noErr;
    };
    operation.failureLine =
        QStringLiteral("Ferrolet: An error occurred aliasing a folder or file.");
    RunDestinationCommand(ctx, k, operation);
}

} // namespace ferrolet
