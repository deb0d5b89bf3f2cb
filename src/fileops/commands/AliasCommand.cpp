#include "fileops/commands/AliasCommand.h"

#include "fileops/commands/DestinationCommand.h"
#include "fileops/engine/AliasLink.h"

namespace ferrolet {

void AliasSelectionToFolder(CommandContext& ctx, int k) {
    DestinationOperation operation;
    operation.action = [](CommandContext&, const FileRef& item, const std::string&,
                          const std::string& destinationPath,
                          FileRef& newItem) { return MakeAlias(item, destinationPath, &newItem); };
    operation.failureLine =
        QStringLiteral("Ferrolet: An error occurred aliasing a folder or file.");
    operation.purpose = DialogPurpose::Alias;
    operation.verb = QStringLiteral("Alias To");
    operation.done = QStringLiteral("aliased");
    RunDestinationCommand(ctx, k, operation);
}

} // namespace ferrolet
