#include "fileops/commands/HardLinkCommand.h"

#include "fileops/commands/DestinationCommand.h"
#include "fileops/engine/HardLink.h"

namespace ferrolet {

void HardLinkSelectionToFolder(CommandContext& ctx, int k) {
    DestinationOperation operation;
    operation.action = [](CommandContext& c, const FileRef& item, const std::string&,
                          const std::string& destinationPath, FileRef& newItem) {
        return MakeHardLink(c.settings, item, destinationPath, &newItem);
    };
    operation.failureLine =
        QStringLiteral("Ferrolet: An error occurred hard linking a folder or file.");
    operation.purpose = DialogPurpose::HardLink;
    operation.verb = QStringLiteral("Hard Link To");
    operation.done = QStringLiteral("linked");
    RunDestinationCommand(ctx, k, operation);
}

} // namespace ferrolet
