#include "dispatch/CommandDispatch.h"

#include "dispatch/CommandIds.h"
#include "fileops/commands/AliasCommand.h"
#include "fileops/commands/ArchiveCommand.h"
#include "fileops/commands/CopySelection.h"
#include "fileops/commands/CutAndPaste.h"
#include "fileops/commands/DestinationListCommands.h"
#include "fileops/commands/HardLinkCommand.h"
#include "fileops/commands/MoveSelection.h"
#include "fileops/commands/PutInItsPlace.h"
#include "fileops/commands/WrapItems.h"

namespace ferrolet {

namespace {

void RunFixedCommand(CommandContext& ctx, int id) {
    switch (id) {
    case cmd::PasteItems:
        PasteItems(ctx);
        break;
    case cmd::CutItems:
        CutItems(ctx);
        break;
    case cmd::WrapItems:
        WrapItems(ctx);
        break;
    case cmd::PutInItsPlace:
        PutInItsPlace(ctx);
        break;
    case cmd::RemoveFolder:
        RemoveSelectedFolder(ctx);
        break;
    case cmd::AddFolder:
        AddSelectedFolder(ctx);
        break;
    default:
        break;
    }
}

void RunFolderCommand(CommandContext& ctx, DestinationCommand command, int k) {
    switch (command) {
    case DestinationCommand::MoveTo:
        MoveSelectionToFolder(ctx, k);
        break;
    case DestinationCommand::CopyTo:
        CopySelectionToFolder(ctx, k);
        break;
    case DestinationCommand::ArchiveTo:
        ArchiveSelectionToFolder(ctx, k);
        break;
    case DestinationCommand::AliasTo:
        AliasSelectionToFolder(ctx, k);
        break;
    case DestinationCommand::OpenFolder:
        OpenListedFolder(ctx, k);
        break;
    case DestinationCommand::HardLinkTo:
        HardLinkSelectionToFolder(ctx, k);
        break;
    }
}

} // namespace

void RunTaggedCommand(CommandContext& ctx, int tag) {
    const std::optional<DecodedTag> decoded = DecodeMenuItemTag(tag);
    if (!decoded) {
        return;
    }
    if (decoded->kind == DecodedTag::Kind::Fixed) {
        RunFixedCommand(ctx, decoded->fixedId);
    } else {
        RunFolderCommand(ctx, decoded->command, decoded->folderIndex);
    }
}

void RunCommandWithFolderDialog(CommandContext& ctx, int tag) {
    if (tag < kFirstBase || tag > kLastBase) {
        return;
    }
    const auto command = static_cast<DestinationCommand>(tag);
    if (command == DestinationCommand::OpenFolder) {
        return; // its header has no dialog to offer
    }
    RunFolderCommand(ctx, command, 0);
}

void DispatchMenuCommand(CommandContext& ctx, const MenuItem& item) {
    if (item.action == MenuAction::RunCommand) {
        RunTaggedCommand(ctx, item.tag);
    } else if (item.action == MenuAction::ChooseFolder) {
        RunCommandWithFolderDialog(ctx, item.tag);
    }
}

} // namespace ferrolet
