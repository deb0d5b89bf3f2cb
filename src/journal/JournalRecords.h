#pragma once

#include "journal/ItemIdentity.h"

#include <QString>

#include <cstdint>
#include <string>

namespace ferrolet {

// What one step of a gesture did to the file system.
enum class StepKind {
    Move,      // a rename on one file system: from → to, atomic
    CrossMove, // a move to another file system: copy at partial, then to, then the source goes
    Copy,      // a copy built at partial, then renamed to to
    Made,      // an item the gesture made at to (alias, hard link, wrapper, archive)
    Partial,   // a hidden file being written at partial that becomes to
    Trash,     // from moved into the Trash as to; partial is its .trashinfo
    Untrash,   // from (in the Trash) put back as to; partial was its .trashinfo
    // A settings change, not a file one: the folder at to went into (or out
    // of) the folder list stored under the key from, at the position written
    // in partial. Identity is the folder's.
    ListAdd,
    ListRemove,
};

// How far a step got. A step recorded before it starts is Intent; the
// states between tell recovery what is left to do.
enum class StepState {
    Intent,
    Copied,  // CrossMove: the copy at partial is complete, not yet flushed
    Placed,  // CrossMove: the copy is at to, not yet flushed; the source is whole
    Flushed, // CrossMove: the copy at to is durable; the source is being removed
    Done,
    Failed,  // the engine undid it itself
    Settled, // recovery finished or rolled it back
};

QString StepKindName(StepKind kind);
const char* StepKindText(StepKind kind);
StepKind StepKindFromName(const QString& name);
QString StepStateName(StepState state);
const char* StepStateText(StepState state);
StepState StepStateFromName(const QString& name);

struct JournalStep {
    int64_t id = 0;
    int64_t gesture = 0;
    StepKind kind = StepKind::Move;
    // A step the gesture needed on the way (the archive moved out of the
    // state folder) rather than one the user asked for; undo passes it by.
    bool internal = false;
    std::string from;
    std::string to;
    std::string partial;
    // What is at to once the step is done.
    ItemIdentity identity;
    StepState state = StepState::Intent;
};

// How a gesture ended.
inline constexpr const char* kGestureRunning = "running";
inline constexpr const char* kGestureDone = "done";
inline constexpr const char* kGestureFailed = "failed";
inline constexpr const char* kGestureCancelled = "cancelled";
inline constexpr const char* kGestureInterrupted = "interrupted";
inline constexpr const char* kGestureUndone = "undone";

struct Gesture {
    int64_t id = 0;
    QString title;
    QString state;
    int64_t undoOf = 0;  // the gesture an undo undid; 0 for others
    int64_t started = 0; // seconds since the epoch
    int64_t pid = 0;
};

} // namespace ferrolet
