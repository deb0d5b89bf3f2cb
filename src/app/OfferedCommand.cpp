#include "OfferedCommand.h"

#include "MenuBuilder.h"
#include "MoveServiceMenuBuilder.h"
#include "UnavailableDestination.h"
#include "dispatch/CommandDispatch.h"
#include "dispatch/CommandIds.h"
#include "fileops/commands/CommandRun.h"
#include "fileops/commands/CutStateFile.h"
#include "fileops/commands/DestinationChoice.h"
#include "history/Recovery.h"
#include "services/GivenPathsCommand.h"

namespace ferrolet {

const MenuItem* FindOfferedCommand(const Menu& menu, int tag, bool ask) {
    const MenuAction action = ask ? MenuAction::ChooseFolder : MenuAction::RunCommand;
    for (const MenuItem& item : menu.items) {
        if (!item.IsEnabled()) {
            continue; // a greyed item, or the items of a greyed submenu
        }
        if (item.tag == tag && item.action == action) {
            return &item;
        }
        if (item.submenu) {
            if (const MenuItem* found = FindOfferedCommand(*item.submenu, tag, ask)) {
                return found;
            }
        }
    }
    return nullptr;
}

namespace {

// The item of either menu that carries tag; nullptr when neither offers it.
const MenuItem* FindInMenus(const Menu& status, const Menu& moveService, int tag, bool ask) {
    const MenuItem* item = FindOfferedCommand(status, tag, ask);
    return item ? item : FindOfferedCommand(moveService, tag, ask);
}

// Why a tag the menu does not offer is refused: a listed folder greyed
// because it cannot take the selection gives its reason (on standard error
// and in a notification); any other tag, that the menu does not offer it.
CommandOutcome Refusal(Platform& platform, const Menu& status, int tag, bool ask) {
    if (!ask) {
        if (const MenuItem* greyed = FindUnavailableDestination(status, tag)) {
            return {2, ReportUnavailableDestination(platform, *greyed)};
        }
    }
    return {2, ask ? QStringLiteral("the menu does not offer the header of command %1 now "
                                    "(no enabled submenu header carries that tag)")
                         .arg(tag)
                   : QStringLiteral("the menu does not offer command %1 now "
                                    "(no enabled menu item carries that tag)")
                         .arg(tag)};
}

// The folder a destination-folder tag files into, so that a given path
// naming that very folder is left out; nothing for other tags.
std::optional<std::string> ListedDestination(CommandContext& ctx, int tag, bool ask) {
    const std::optional<DecodedTag> decoded = DecodeMenuItemTag(tag);
    if (ask || !decoded || decoded->kind != DecodedTag::Kind::Destination ||
        decoded->command == DestinationCommand::OpenFolder) {
        return std::nullopt;
    }
    return ResolveDestination(ctx, decoded->folderIndex, std::nullopt);
}

// The item that carries tag, looked for in the status menu built from
// inputs and, when that one does not offer it, in the Move Service menu
// built after it. Only the command is looked for, so neither menu gets a
// line per selected item: those lines (three strings each) were most of the
// memory of a run on 100,000 items. A Move Service menu built for the file
// manager's selection takes the selection anew, as its opening would.
const MenuItem* BuildAndFind(MenuBuildInputs& inputs, Menu& status, Menu& moveService, int tag,
                             bool ask) {
    inputs.itemLines = false;
    BuildMenu(inputs, status);
    const MenuItem* item = FindOfferedCommand(status, tag, ask);
    if (!item) {
        BuildMoveServiceMenu(inputs, moveService);
        item = FindInMenus(status, moveService, tag, ask);
    }
    return item;
}

CommandOutcome Busy() {
    return {2, QStringLiteral("another command is still running; try again when it has ended")};
}

// Runs item inside a run of its own, whose report says whether every item
// made it: items that failed give exit status 1, so a script never takes
// the run for a success.
CommandOutcome RunReported(AppCore& core, CommandContext& ctx, const MenuItem& item) {
    CommandRunScope run(ctx, QString(), QString());
    if (!core.RunAlone([&ctx, &item] { DispatchMenuCommand(ctx, item); })) {
        return Busy();
    }
    if (const std::optional<RunNotice> notice = NoticeFor(run.Report())) {
        return {1, notice->summary};
    }
    return {};
}

} // namespace

CommandOutcome RunOfferedCommand(AppCore& core, int tag, bool ask, SnapshotAfterRun after) {
    RecoverBeforeCommand(core.Desktop());
    // As a menu opening does (AppCore::Setup): a Cut or Paste in another
    // process since changes whether Paste Items can be chosen.
    LoadCutState(core.Cut());
    Menu status;
    Menu moveService;
    MenuBuildInputs inputs{core.Settings(), core.Selection(), core.ExtensionFolderMap(),
                           core.Cut()};
    const MenuItem* item = BuildAndFind(inputs, status, moveService, tag, ask);
    if (!item) {
        return Refusal(core.Desktop(), status, tag, ask);
    }
    // The item lives in the menu model; keep a copy so the run does not
    // depend on the model staying as it is, and drop the models.
    const MenuItem chosen = *item;
    status = Menu();
    moveService = Menu();
    core.Selection().takenByRun = after == SnapshotAfterRun::Taken;
    CommandContext ctx = core.Context();
    return RunReported(core, ctx, chosen);
}

CommandOutcome RunOfferedCommandOn(AppCore& core, int tag, bool ask, const QStringList& paths) {
    RecoverBeforeCommand(core.Desktop());
    CommandContext appContext = core.Context();
    GivenSelection given = SelectionFromGivenPaths(paths, ListedDestination(appContext, tag, ask));
    NotifyUnusablePaths(core.Desktop(), given.unusable);
    if (given.snapshot.items.empty()) {
        return {2, QStringLiteral("none of the given items can be used")};
    }
    LoadCutState(core.Cut()); // as for the selection, above
    QMap<QString, QString> extensionMap = core.ExtensionFolderMap();
    Menu status;
    Menu moveService;
    MenuBuildInputs inputs{core.Settings(), given.snapshot, extensionMap, core.Cut()};
    const MenuItem* item = BuildAndFind(inputs, status, moveService, tag, ask);
    if (!item) {
        return Refusal(core.Desktop(), status, tag, ask);
    }
    // As on the selection: the chosen item outlives the menus it came from.
    const MenuItem chosen = *item;
    status = Menu();
    moveService = Menu();
    given.snapshot.takenByRun = true;
    CommandContext ctx = ContextWithSelection(appContext, given.snapshot, extensionMap);
    return RunReported(core, ctx, chosen);
}

} // namespace ferrolet
