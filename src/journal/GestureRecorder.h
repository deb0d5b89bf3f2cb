#pragma once

#include "journal/JournalRecords.h"

#include <QString>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace ferrolet {

class JournalStore;

// The gesture of the command run in progress. While one is open, the file
// engine's steps are recorded in it; with none open (a test driving the
// engine, the journal switched off) recording does nothing. Nothing touches
// the journal until the first step, so a run that changes no file leaves no
// gesture.
class GestureRecorder {
public:
    explicit GestureRecorder(JournalStore& store);
    // Ends the gesture: a run that recorded steps gets its title and state.
    ~GestureRecorder();
    GestureRecorder(const GestureRecorder&) = delete;
    GestureRecorder& operator=(const GestureRecorder&) = delete;

    // The recorder of this thread's run, or null.
    static GestureRecorder* Current();

    // The gesture's title: given, or else made from its verb ("Move") and its
    // steps: "Move of 3 Items to Projects", "Copy of "report.pdf" to Documents".
    void SetTitle(const QString& title) { m_title = title; }
    void SetVerb(const QString& verb) { m_verb = verb; }
    void SetState(const char* state) { m_state = state; }
    void SetUndoOf(int64_t gesture) { m_undoOf = gesture; }
    // The gesture's id once a step was recorded; 0 before.
    int64_t Id() const { return m_id; }

    int64_t Record(JournalStep step, bool atomic);
    void Reach(int64_t stepId, StepState state, const ItemIdentity* identity,
               bool commitNow = true);
    // Commits what was marked without committing.
    void Commit();
    // Steps that reach state together (a batch of moves flushed at once), in
    // one transaction.
    void ReachSteps(const std::vector<int64_t>& stepIds, StepState state);

    // Steps recorded while it lives are ones the gesture needed on its way,
    // not ones the user asked for (undo passes them by).
    class InternalSteps {
    public:
        InternalSteps();
        ~InternalSteps();
        InternalSteps(const InternalSteps&) = delete;
        InternalSteps& operator=(const InternalSteps&) = delete;

    private:
        bool m_was = false;
    };

private:
    void Count(const JournalStep& step);
    QString MadeTitle() const;

    JournalStore& m_store;
    QString m_verb;
    int m_items = 0;
    std::string m_firstName;
    std::string m_lastFolder;
    bool m_oneFolder = true;
    GestureRecorder* m_previous = nullptr;
    int64_t m_id = 0;
    QString m_title;
    const char* m_state = kGestureDone;
    int64_t m_undoOf = 0;
};

// Records a step that is already complete and atomic (a rename on one file
// system, a link made) in the current gesture, if any.
void RecordDoneStep(StepKind kind, const std::string& from, const std::string& to,
                    const ItemIdentity& identity, const std::string& partial = {});

// A step that takes time (a copy): recorded, and committed, before it begins,
// so that a kill midway leaves a record recovery can act on. Marked Failed
// when it ends without being marked Done (the engine cleans up after itself).
class RecordedStep {
public:
    RecordedStep() = default;
    ~RecordedStep();
    RecordedStep(const RecordedStep&) = delete;
    RecordedStep& operator=(const RecordedStep&) = delete;

    void Begin(StepKind kind, const std::string& from, const std::string& to,
               const std::string& partial);
    void Reach(StepState state, const ItemIdentity* identity = nullptr, bool commitNow = true);
    // Hands the step over to whoever finishes it (a batch of moves): its
    // recorder and id; it is no longer marked Failed when this ends.
    std::pair<GestureRecorder*, int64_t> HandOver();

private:
    GestureRecorder* m_recorder = nullptr;
    int64_t m_id = 0;
    bool m_ended = false;
};

} // namespace ferrolet
