#include "fileops/commands/FolderDialogWording.h"

#include "items/ItemNames.h"
#include "settings/SettingsKeys.h"

#include <algorithm>
#include <sys/stat.h>

namespace ferrolet {

namespace {

struct Wording {
    const char* one;    // %1 is the item's name in quotes
    const char* many;   // %1 is "3 Items"
    const char* prompt; // the accept button
};

Wording WordingFor(DialogPurpose purpose) {
    switch (purpose) {
    case DialogPurpose::Move:
        return {"Move %1 To", "Move %1 To", "Move"};
    case DialogPurpose::Copy:
        return {"Copy %1 To", "Copy %1 To", "Copy"};
    case DialogPurpose::Archive:
        return {"Archive %1 To", "Archive %1 To", "Archive"};
    case DialogPurpose::Alias:
        return {"Make an Alias of %1 In", "Make Aliases of %1 In", "Make Alias"};
    case DialogPurpose::HardLink:
        return {"Make a Hard Link to %1 In", "Make Hard Links to %1 In", "Make Link"};
    }
    return {"%1", "%1", "Choose"};
}

} // namespace

FolderDialogRequest DestinationDialogRequest(DialogPurpose purpose,
                                             const SelectionSnapshot& selection,
                                             SettingsStore& settings) {
    const Wording wording = WordingFor(purpose);
    const size_t count =
        std::min(selection.items.size(), static_cast<size_t>(std::max(selection.count, 0)));
    const QString firstName = count == 1 ? ItemDisplayName(selection.items.front()) : QString();
    FolderDialogRequest request;
    if (!firstName.isNull()) {
        request.title =
            QString::fromUtf8(wording.one).arg(QStringLiteral("\u201C%1\u201D").arg(firstName));
    } else {
        const QString items =
            count == 1 ? QStringLiteral("1 Item") : QStringLiteral("%1 Items").arg(count);
        request.title = QString::fromUtf8(wording.many).arg(items);
    }
    request.prompt = QString::fromUtf8(wording.prompt);
    request.multipleSelection = false;
    request.bringToFront = true;
    request.startFolder = DialogStartFolder(settings);
    return request;
}

FolderDialogRequest WrapperDialogRequest(SettingsStore& settings) {
    FolderDialogRequest request;
    request.title = QStringLiteral("Choose the Wrapper Folder");
    request.prompt = QStringLiteral("Choose");
    request.startFolder = DialogStartFolder(settings);
    return request;
}

std::string DialogStartFolder(SettingsStore& settings) {
    settings.Synchronize();
    const QVariant stored = settings.Value(keys::LastChosenFolder);
    if (stored.typeId() != QMetaType::QString) {
        return {};
    }
    std::string folder = stored.toString().toStdString();
    struct stat st {};
    if (folder.empty() || folder.front() != '/' || stat(folder.c_str(), &st) != 0 ||
        !S_ISDIR(st.st_mode)) {
        return {};
    }
    return folder;
}

void RememberChosenFolder(SettingsStore& settings, const std::string& folder) {
    settings.SetAppValue(keys::LastChosenFolder, QString::fromStdString(folder));
    settings.Synchronize();
}

} // namespace ferrolet
