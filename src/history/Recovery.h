#pragma once

#include "platform/Platform.h"

#include <QString>
#include <QStringList>

namespace ferrolet {

class JournalStore;

// What settling interrupted gestures did, in the user's words.
struct RecoveryReport {
    QStringList settled;   // what was finished or rolled back
    QStringList attention; // what the user should look at (a half-filled wrapper, …)
    bool Empty() const { return settled.isEmpty() && attention.isEmpty(); }
};

// Settles the gestures of processes that ended before their gestures did:
//  - a move to another file system whose copy was incomplete: the partial
//    copy goes and the source stays; one whose copy was complete is
//    finished (the copy put under its name, then every source entry still
//    identical to its copy removed) when its copy was flushed, or when the
//    flush done now and a comparison of every byte prove the copy equal to
//    the source; otherwise both stay and the report says so;
//  - partial copies of copies, pastes, wraps and archives go;
//  - a wrapper the gesture made stays when it holds items (the report says
//    what is where) and goes when empty.
// Only entries the journal recorded are touched: partial copies by their
// exact hidden names, made items by identity. The gestures are marked
// interrupted, so their finished steps can still be undone.
RecoveryReport RecoverInterrupted(JournalStore& store);

// Recovery before a command or at start: nothing at all when the journal
// holds nothing unfinished (one query); otherwise the work is done, logged,
// and the user told in one notification.
void RecoverBeforeCommand(Platform& platform);

// The text `ferrolet --recover` prints.
QString RecoveryText(const RecoveryReport& report);

} // namespace ferrolet
