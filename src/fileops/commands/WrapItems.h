#pragma once

#include "fileops/commands/CommandContext.h"

#include <QDateTime>
#include <QString>

namespace ferrolet {

// The prefix of the folders Wrap Items makes.
inline const QString kWrapperPrefix = QStringLiteral("Wrapped Items");

// The name of a new wrapper: prefix, a blank and the local date and time with
// its offset from UTC, "YYYY-MM-DD HH-MM-SS +HHMM" (the ":" of the time
// replaced, so the name is usable on every file system). A null string when
// the time is not valid.
QString MakeWrapperName(const QString& prefix, const QDateTime& now);

// Wrap Items: gathers the selected items into one folder. With
// "PromptForWrap" on the user picks the folder in the dialog; otherwise it is
// a new dated folder beside the first item (reused when a wrap within the
// same second made it already). "WrapCopies" copies the items, otherwise they
// are moved through the move core. Comments go along with "PreserveComments".
// When the last item made it, logs "Wrap Items. The wrapper path is : <path>"
// and, with "SelectMovedItem" on, reveals the last item. No sound.
void WrapItems(CommandContext& ctx);

} // namespace ferrolet
