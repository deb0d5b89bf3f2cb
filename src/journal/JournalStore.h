#pragma once

#include "journal/JournalRecords.h"

#include <QString>

class QSqlQuery;

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ferrolet {

class StepInsert;

// The filing journal: an SQLite database (journal.sqlite in the state
// folder, WAL mode) of the last kHistoryLength gestures and their steps.
// Opened on first use, never before: a command that changes nothing and a
// start with nothing unfinished pay nothing for it. A journal that cannot be
// opened never stops filing: a damaged database is set aside (renamed with a
// ".corrupt" suffix) and a new one begun; one that is read-only or stays
// locked for 2 s is skipped for this process; each with a log line.
// FERROLET_JOURNAL=off skips it too: bench/journal_cost.py measures the
// journal's cost against such a run.
//
// Writes go into one open transaction, committed when a step that is not
// atomic begins or changes state (so recovery sees it), every kBatchSteps
// atomic steps and at the end of each gesture. A kill loses at most the last
// batch of atomic steps (renames, links), whose items are whole where they
// went; never the record of a half-made copy.
class JournalStore {
public:
    static constexpr int kHistoryLength = 1000;
    static constexpr int kBatchSteps = 512;
    // 2: "placed" no longer means flushed; "flushed" does (a database of
    // version 1 has its placed steps turned into flushed ones).
    static constexpr int kSchemaVersion = 2;

    // The process's journal in the state folder.
    static JournalStore& Shared();

    explicit JournalStore(std::string path);
    ~JournalStore();
    JournalStore(const JournalStore&) = delete;
    JournalStore& operator=(const JournalStore&) = delete;

    // Whether a database file is there at all (nothing to recover without).
    bool Exists() const;
    // Opens it now if not yet tried; false when the journal is not in use.
    bool Usable();

    // A gesture of the process pid (this one unless told).
    int64_t AddGesture(int64_t pid = 0);
    void SetGesture(int64_t id, const QString& title, const char* state, int64_t undoOf = 0);
    void MarkGesture(int64_t id, const char* state);
    int64_t AddStep(const JournalStep& step, bool atomic);
    // Committed at once unless commitNow is false: then with the next
    // commit (the next step that begins, or Commit), which a batch of moves
    // makes before it flushes.
    void SetStepState(int64_t id, StepState state, const ItemIdentity* identity = nullptr,
                      bool commitNow = true);
    // Many steps reaching one state, in one transaction.
    void SetStepStates(const std::vector<int64_t>& ids, StepState state);
    void Commit();

    // Whether any step or gesture was left unfinished: one query on two
    // small indexes, the whole cost of recovery when all is well.
    bool HasUnfinished();
    // Steps that began and never ended.
    std::vector<JournalStep> UnfinishedSteps();
    std::vector<Gesture> GesturesInState(const char* state);
    std::vector<Gesture> Recent(int count);
    std::optional<Gesture> GestureById(int64_t id);
    std::vector<JournalStep> StepsOf(int64_t gesture);
    // Forgets gestures beyond the last kHistoryLength.
    void Prune();

private:
    bool Open();
    bool Exec(const QString& sql);
    void SetAside();
    void Begin();

    std::string m_path;
    QString m_connection;
    // Prepared once: a long run records thousands of steps.
    std::unique_ptr<StepInsert> m_insertStep;
    std::unique_ptr<QSqlQuery> m_setState;
    std::unique_ptr<QSqlQuery> m_setStateAndIdentity;
    bool m_tried = false;
    bool m_open = false;
    bool m_inTransaction = false;
    int m_pendingAtomic = 0;
};

} // namespace ferrolet
