#include "journal/GestureRecorder.h"

#include "journal/JournalStore.h"

namespace ferrolet {

namespace {

thread_local GestureRecorder* t_current = nullptr;
thread_local bool t_internal = false;

std::string LastComponent(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ParentOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

} // namespace

void GestureRecorder::Count(const JournalStep& step) {
    // A wrapper or an archive made from nothing is where items go, not one
    // of them, unless it is all there is.
    if (step.internal || step.kind == StepKind::Partial || step.to.empty()) {
        return;
    }
    if (step.from.empty() && step.kind == StepKind::Made && step.identity.folder) {
        return;
    }
    if (m_items++ == 0) {
        m_firstName =
            LastComponent(step.kind == StepKind::Made && step.from.empty() ? step.to : step.from);
        m_lastFolder = ParentOf(step.to);
        return;
    }
    // Compared in place: a long run has thousands of steps.
    const size_t slash = step.to.rfind('/');
    const size_t length = slash == std::string::npos || slash == 0 ? 1 : slash;
    m_oneFolder = m_oneFolder && length == m_lastFolder.size() &&
                  step.to.compare(0, length, m_lastFolder) == 0;
}

QString GestureRecorder::MadeTitle() const {
    const QString what =
        m_items == 1 ? QStringLiteral("\u201C%1\u201D").arg(QString::fromStdString(m_firstName))
                     : QStringLiteral("%1 Items").arg(m_items);
    QString title =
        QStringLiteral("%1 of %2").arg(m_verb.isEmpty() ? QStringLiteral("Filing") : m_verb, what);
    if (m_oneFolder && !m_lastFolder.empty() && m_items > 0) {
        title += QStringLiteral(" to %1").arg(QString::fromStdString(LastComponent(m_lastFolder)));
    }
    return title;
}

GestureRecorder::GestureRecorder(JournalStore& store) : m_store(store), m_previous(t_current) {
    t_current = this;
}

GestureRecorder::~GestureRecorder() {
    t_current = m_previous;
    if (m_id == 0) {
        return;
    }
    m_store.SetGesture(m_id, m_title.isEmpty() ? MadeTitle() : m_title, m_state, m_undoOf);
    m_store.Prune();
}

GestureRecorder* GestureRecorder::Current() {
    return t_current;
}

int64_t GestureRecorder::Record(JournalStep step, bool atomic) {
    if (m_id == 0) {
        m_id = m_store.AddGesture();
        if (m_id == 0) {
            return 0;
        }
    }
    step.gesture = m_id;
    step.internal = t_internal;
    Count(step);
    return m_store.AddStep(step, atomic);
}

void GestureRecorder::Reach(int64_t stepId, StepState state, const ItemIdentity* identity,
                            bool commitNow) {
    m_store.SetStepState(stepId, state, identity, commitNow);
}

void GestureRecorder::Commit() {
    m_store.Commit();
}

void GestureRecorder::ReachSteps(const std::vector<int64_t>& stepIds, StepState state) {
    m_store.SetStepStates(stepIds, state);
}

GestureRecorder::InternalSteps::InternalSteps() : m_was(t_internal) {
    t_internal = true;
}

GestureRecorder::InternalSteps::~InternalSteps() {
    t_internal = m_was;
}

void RecordDoneStep(StepKind kind, const std::string& from, const std::string& to,
                    const ItemIdentity& identity, const std::string& partial) {
    if (GestureRecorder* recorder = GestureRecorder::Current()) {
        JournalStep step;
        step.kind = kind;
        step.from = from;
        step.to = to;
        step.partial = partial;
        step.identity = identity;
        step.state = StepState::Done;
        recorder->Record(step, true);
    }
}

RecordedStep::~RecordedStep() {
    if (m_recorder && m_id != 0 && !m_ended) {
        m_recorder->Reach(m_id, StepState::Failed, nullptr);
    }
}

void RecordedStep::Begin(StepKind kind, const std::string& from, const std::string& to,
                         const std::string& partial) {
    m_recorder = GestureRecorder::Current();
    if (!m_recorder) {
        return;
    }
    JournalStep step;
    step.kind = kind;
    step.from = from;
    step.to = to;
    step.partial = partial;
    m_id = m_recorder->Record(step, false);
}

void RecordedStep::Reach(StepState state, const ItemIdentity* identity, bool commitNow) {
    if (m_recorder && m_id != 0) {
        m_recorder->Reach(m_id, state, identity, commitNow);
        m_ended = state == StepState::Done || state == StepState::Failed;
    }
}

std::pair<GestureRecorder*, int64_t> RecordedStep::HandOver() {
    m_ended = true;
    return {m_recorder, m_id};
}

} // namespace ferrolet
