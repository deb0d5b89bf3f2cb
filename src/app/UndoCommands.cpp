#include "app/UndoCommands.h"

#include "fileops/commands/CommandRun.h"
#include "history/Recovery.h"
#include "history/Undo.h"
#include "journal/JournalStore.h"

namespace ferrolet {

namespace {

MenuItem UndoItem(const Gesture& gesture) {
    MenuItem item;
    item.title = UndoLabel(gesture);
    item.action = MenuAction::Undo;
    item.tag = static_cast<int>(gesture.id);
    return item;
}

CommandOutcome Undo(AppCore& core, const Gesture& gesture) {
    if (!CanUndo(gesture)) {
        return {2, QStringLiteral("\u201C%1\u201D cannot be undone: it is %2.")
                       .arg(gesture.title, gesture.state)};
    }
    CommandContext ctx = core.Context();
    CommandRunScope run(ctx, QString(), QString());
    UndoGesture(ctx, JournalStore::Shared(), gesture);
    if (const std::optional<RunNotice> notice = NoticeFor(run.Report())) {
        return {1, notice->summary + QLatin1Char('\n') + notice->body};
    }
    return {};
}

} // namespace

void AppendUndoItems(Menu& menu) {
    const std::vector<Gesture> history = GestureHistory(JournalStore::Shared(), kHistoryMenuLength);
    if (history.empty() || menu.items.size() < 5) {
        return;
    }
    std::vector<MenuItem> added;
    added.push_back(MenuItem::Separator());
    for (const Gesture& gesture : history) {
        if (CanUndo(gesture)) {
            added.push_back(UndoItem(gesture));
            break;
        }
    }
    MenuItem historyHeader = MenuItem::Info(QStringLiteral("History"));
    historyHeader.submenu = std::make_shared<Menu>();
    for (const Gesture& gesture : history) {
        historyHeader.submenu->Append(
            CanUndo(gesture)
                ? UndoItem(gesture)
                : MenuItem::Info(QStringLiteral("%1 (%2)").arg(gesture.title, gesture.state)));
    }
    added.push_back(historyHeader);
    // The closing block is the last five items: separator, Preferences...,
    // separator, About Ferrolet, Quit.
    menu.items.insert(menu.items.end() - 5, added.begin(), added.end());
}

CommandOutcome RunUndo(AppCore& core, int n) {
    RecoverBeforeCommand(core.Desktop());
    const std::optional<Gesture> gesture = GestureToUndo(JournalStore::Shared(), n);
    if (!gesture) {
        return {2, n > 0 ? QStringLiteral("There is no gesture %1 in the history.").arg(n)
                         : QStringLiteral("There is nothing to undo.")};
    }
    return Undo(core, *gesture);
}

CommandOutcome RunUndoOfGesture(AppCore& core, int64_t gestureId) {
    RecoverBeforeCommand(core.Desktop());
    const std::optional<Gesture> gesture = JournalStore::Shared().GestureById(gestureId);
    if (!gesture) {
        return {2, QStringLiteral("That gesture is no longer in the history.")};
    }
    return Undo(core, *gesture);
}

} // namespace ferrolet
