#include "fileops/commands/WrapItems.h"

#include "filemanager/ItemComments.h"
#include "fileops/commands/CommandRun.h"
#include "fileops/commands/FolderDialogWording.h"
#include "fileops/commands/MoveItem.h"
#include "fileops/engine/FileEngine.h"
#include "items/FolderItems.h"
#include "items/ItemNames.h"
#include "journal/GestureRecorder.h"
#include "journal/ItemIdentity.h"
#include "platform/PathHelpers.h"
#include "settings/OptionReaders.h"
#include "settings/SettingsKeys.h"
#include "util/Log.h"

#include <cstdlib>
#include <fcntl.h>

namespace ferrolet {

namespace {

// "+HHMM" / "-HHMM" for an offset from UTC in seconds.
QString OffsetText(int offsetSeconds) {
    const QChar sign = offsetSeconds < 0 ? QLatin1Char('-') : QLatin1Char('+');
    const int minutes = std::abs(offsetSeconds) / 60;
    return QStringLiteral("%1%2%3")
        .arg(sign)
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

const QString kWrapFailureLine =
    QStringLiteral("Ferrolet: An error occurred wrapping a folder or file.");

// The folder the items go into: a null folder when there is none (a
// cancelled dialog, with status 0, or a folder that could not be made, with
// its status); made says whether this wrap made it.
struct Wrapper {
    FileRef folder;
    bool made = false;
    Status status = 0;
};

Wrapper ChooseWrapper(CommandContext& ctx, const FileRef& parent) {
    const QString wrapperName = MakeWrapperName(kWrapperPrefix, ctx.platform.Now());
    if (wrapperName.isEmpty()) {
        return {};
    }
    Wrapper wrapper;
    if (ReadBoolPref(ctx.settings, keys::PromptForWrap)) {
        FolderDialogRequest request = WrapperDialogRequest(ctx.settings);
        // The dialog shows over whatever the user is working in; raising our
        // own windows first would only cover the file manager.
        request.bringToFront = false;
        const std::vector<std::string> chosen = ctx.platform.ChooseFolders(request);
        if (chosen.empty() || !RefForPath(QString::fromStdString(chosen.front()), wrapper.folder)) {
            return {};
        }
        RememberChosenFolder(ctx.settings, chosen.front());
        return wrapper;
    }
    wrapper.made = !LookUpChild(parent, wrapperName.toStdString());
    wrapper.status = FindOrCreateFolder(parent, wrapperName.toStdString(), wrapper.folder);
    if (wrapper.status != 0) {
        wrapper.folder = FileRef();
    } else if (wrapper.made) {
        RecordDoneStep(StepKind::Made, {}, wrapper.folder.Path(),
                       IdentityAt(AT_FDCWD, wrapper.folder.Path()));
    }
    return wrapper;
}

// The wrapper could not be made (status says why): nothing moved, and the
// user is told so rather than left with a silent menu item.
void ReportWrapperNotMade(CommandContext& ctx, const std::vector<FileRef>& items, Status status) {
    Log(kWrapFailureLine);
    ctx.platform.Beep();
    for (const FileRef& item : items) {
        NoteFailure(ctx, NameForReport(item), status);
    }
}

// Nothing went into the wrapper: one line and a beep, every item in the
// run's report, and a wrapper this wrap made goes again rather than stay
// behind empty.
void ReportNothingWrapped(CommandContext& ctx, const Wrapper& wrapper) {
    Log(kWrapFailureLine);
    ctx.platform.Beep();
    if (wrapper.made) {
        DeleteObject(wrapper.folder);
    }
}

// Copies one item into the wrapper, with its comment when asked.
Status CopyIntoWrapper(CommandContext& ctx, const FileRef& item, const FileRef& wrapper,
                       FileRef& copied) {
    QString comment;
    bool hasComment = false;
    if (ReadBoolPref(ctx.settings, keys::PreserveComments) &&
        ReadItemComment(item, comment, hasComment) != 0) {
        hasComment = false;
    }
    const Status status = CopyObject(item, wrapper, nullptr, &copied, ctx.progress);
    if (status != 0) {
        // A move logs its own failure; a copy has no line of its own.
        Log(QStringLiteral("Ferrolet: \"%1\" could not be wrapped. Error code = %2")
                .arg(NameForReport(item))
                .arg(status));
        return status;
    }
    if (hasComment) {
        // The copy is complete whatever becomes of its comment.
        if (const Status written = WriteItemComment(copied, comment); written != 0) {
            Log(QStringLiteral("Ferrolet: The comment of \"%1\" could not be kept. Error code = %2")
                    .arg(QString::fromStdString(copied.Name()))
                    .arg(written));
        }
    }
    return 0;
}

} // namespace

QString MakeWrapperName(const QString& prefix, const QDateTime& now) {
    if (!now.isValid()) {
        return {};
    }
    const QString description = now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
                                QLatin1Char(' ') + OffsetText(now.offsetFromUtc());
    return prefix + QLatin1Char(' ') + CleanForFilename(description);
}

namespace {

struct WrapOutcome {
    int wrapped = 0;
    Status lastStatus = 0; // of the last item tried
    FileRef lastItem;      // where the last item went
};

// Moves (or copies) each item into wrapper until the end or a cancel; each
// failure goes into the run's report.
WrapOutcome WrapEach(CommandContext& ctx, const std::vector<FileRef>& items, const FileRef& wrapper,
                     bool copies) {
    WrapOutcome outcome;
    NoteItems(ctx, static_cast<int>(items.size()));
    for (const FileRef& item : items) {
        const int reached = static_cast<int>(&item - items.data());
        if (!NextItem(ctx, reached, item.Name())) {
            break;
        }
        outcome.lastItem = FileRef();
        const QString name = NameForReport(item);
        // The move core carries the comment of a moved item itself.
        outcome.lastStatus = copies ? CopyIntoWrapper(ctx, item, wrapper, outcome.lastItem)
                                    : MoveItem(ctx, item, wrapper, &outcome.lastItem);
        if (CancelledDuring(ctx, outcome.lastStatus, reached)) {
            break;
        }
        if (outcome.lastStatus != 0) {
            NoteFailure(ctx, name, outcome.lastStatus);
        } else {
            ++outcome.wrapped;
        }
    }
    return outcome;
}

} // namespace

void WrapItems(CommandContext& ctx) {
    CommandRunScope run(ctx, QStringLiteral("Wrap Items"), QStringLiteral("wrapped"));
    if (!ctx.selection.hasArray || ctx.selection.items.empty()) {
        NoteNothingSelected(ctx);
        return;
    }
    if (!ctx.selection.items.front().IsValid()) {
        return;
    }
    const std::vector<FileRef> items = ctx.selection.items;
    FileRef parent;
    if (GetParentFolderRef(items.front(), parent) != 0 || parent.IsNull()) {
        return;
    }
    const Wrapper chosen = ChooseWrapper(ctx, parent);
    if (chosen.status != 0) {
        ReportWrapperNotMade(ctx, items, chosen.status);
        return;
    }
    const FileRef& wrapper = chosen.folder;
    if (!wrapper.IsValid()) {
        return;
    }

    run.Report().destination = QString::fromUtf8(wrapper.Name());
    const WrapOutcome outcome =
        WrapEach(ctx, items, wrapper, ReadBoolPref(ctx.settings, keys::WrapCopies));
    if (outcome.wrapped == 0) {
        ReportNothingWrapped(ctx, chosen);
        return;
    }
    if (outcome.lastStatus != 0) {
        return;
    }

    std::string wrapperPath;
    if (wrapper.MakePath(wrapperPath) != 0) {
        return;
    }
    Log(QStringLiteral("Wrap Items. The wrapper path is : %1")
            .arg(QString::fromStdString(wrapperPath)));
    if (ReadBoolPref(ctx.settings, keys::SelectMovedItem)) {
        RevealMovedItem(ctx, outcome.lastItem, wrapperPath);
    }
}

} // namespace ferrolet
