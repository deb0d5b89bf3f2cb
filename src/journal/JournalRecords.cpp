#include "journal/JournalRecords.h"

#include <array>
#include <utility>

namespace ferrolet {

namespace {

constexpr std::array<std::pair<StepKind, const char*>, 9> kKinds{{
    {StepKind::Move, "move"},
    {StepKind::CrossMove, "cross-move"},
    {StepKind::Copy, "copy"},
    {StepKind::Made, "made"},
    {StepKind::Partial, "partial"},
    {StepKind::Trash, "trash"},
    {StepKind::Untrash, "untrash"},
    {StepKind::ListAdd, "list-add"},
    {StepKind::ListRemove, "list-remove"},
}};

constexpr std::array<std::pair<StepState, const char*>, 7> kStates{{
    {StepState::Intent, "intent"},
    {StepState::Copied, "copied"},
    {StepState::Placed, "placed"},
    {StepState::Flushed, "flushed"},
    {StepState::Done, "done"},
    {StepState::Failed, "failed"},
    {StepState::Settled, "settled"},
}};

template <typename Enum, size_t N> using NameTable = std::array<std::pair<Enum, const char*>, N>;

// The names as QStrings, made once per table: a long run names thousands of
// steps.
template <typename Enum, size_t N> QString NameIn(const NameTable<Enum, N>& table, Enum value) {
    static const std::array<QString, N> names = [&table] {
        std::array<QString, N> out;
        for (const auto& [entry, name] : table) {
            out[static_cast<size_t>(entry)] = QString::fromLatin1(name);
        }
        return out;
    }();
    return names[static_cast<size_t>(value)];
}

template <typename Enum, size_t N>
Enum ValueIn(const NameTable<Enum, N>& table, const QString& name, Enum unknown) {
    for (const auto& [value, text] : table) {
        if (name == QLatin1String(text)) {
            return value;
        }
    }
    return unknown;
}

} // namespace

QString StepKindName(StepKind kind) {
    return NameIn(kKinds, kind);
}

const char* StepKindText(StepKind kind) {
    return kKinds[static_cast<size_t>(kind)].second;
}

StepKind StepKindFromName(const QString& name) {
    return ValueIn(kKinds, name, StepKind::Move);
}

QString StepStateName(StepState state) {
    return NameIn(kStates, state);
}

const char* StepStateText(StepState state) {
    return kStates[static_cast<size_t>(state)].second;
}

StepState StepStateFromName(const QString& name) {
    return ValueIn(kStates, name, StepState::Settled);
}

} // namespace ferrolet
