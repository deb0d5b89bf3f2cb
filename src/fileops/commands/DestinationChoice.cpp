#include "fileops/commands/DestinationChoice.h"

#include "platform/FolderRecord.h"
#include "settings/FolderLists.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"

namespace ferrolet {

std::optional<std::string> ChooseDestinationFolder(CommandContext& ctx, DialogPurpose purpose) {
    const FolderDialogRequest request =
        DestinationDialogRequest(purpose, ctx.selection, ctx.settings);
    const std::vector<std::string> chosen = ctx.platform.ChooseFolders(request);
    if (chosen.empty() || chosen.front().empty()) {
        return std::nullopt;
    }
    RememberChosenFolder(ctx.settings, chosen.front());
    return chosen.front();
}

std::optional<std::string> ResolveDestination(CommandContext& ctx, int k,
                                              const std::optional<std::string>& chosenPath) {
    if (k < 1) {
        return chosenPath;
    }
    const QStringList list = FolderPathnames(ctx.settings, keys::PathnamesAliases);
    if (k - 1 >= list.size()) {
        return std::nullopt;
    }
    return list.at(k - 1).toStdString();
}

std::optional<std::string> RecordedDestinationPath(CommandContext& ctx, int k) {
    const QVariantList stored = ReadArray(ctx.settings, keys::PathnamesAliases);
    if (k < 1 || k - 1 >= stored.size()) {
        return std::nullopt;
    }
    std::string path;
    if (FolderRecordPath(stored.at(k - 1).toByteArray(), path) != 0 || path.empty()) {
        return std::nullopt;
    }
    return path;
}

} // namespace ferrolet
