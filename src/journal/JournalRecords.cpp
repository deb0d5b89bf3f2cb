#include "journal/JournalRecords.h"

#include <array>
#include <utility>

namespace ferrolet {

namespace {

constexpr std::array<std::pair<StepKind, const char*>, 7> kKinds{{
    {StepKind::Move, "move"},
    {StepKind::CrossMove, "cross-move"},
    {StepKind::Copy, "copy"},
    {StepKind::Made, "made"},
    {StepKind::Partial, "partial"},
    {StepKind::Trash, "trash"},
    {StepKind::Untrash, "untrash"},
}};

constexpr std::array<std::pair<StepState, const char*>, 6> kStates{{
    {StepState::Intent, "intent"},
    {StepState::Copied, "copied"},
    {StepState::Placed, "placed"},
    {StepState::Done, "done"},
    {StepState::Failed, "failed"},
    {StepState::Settled, "settled"},
}};

} // namespace

QString StepKindName(StepKind kind) {
    // Made once: a long run names thousands of steps.
    static const std::array<QString, kKinds.size()> names = [] {
        std::array<QString, kKinds.size()> out;
        for (const auto& [value, name] : kKinds) {
            out[static_cast<size_t>(value)] = QString::fromLatin1(name);
        }
        return out;
    }();
    return names[static_cast<size_t>(kind)];
}

StepKind StepKindFromName(const QString& name) {
    for (const auto& [value, text] : kKinds) {
        if (name == QLatin1String(text)) {
            return value;
        }
    }
    return StepKind::Move;
}

QString StepStateName(StepState state) {
    static const std::array<QString, kStates.size()> names = [] {
        std::array<QString, kStates.size()> out;
        for (const auto& [value, name] : kStates) {
            out[static_cast<size_t>(value)] = QString::fromLatin1(name);
        }
        return out;
    }();
    return names[static_cast<size_t>(state)];
}

StepState StepStateFromName(const QString& name) {
    for (const auto& [value, text] : kStates) {
        if (name == QLatin1String(text)) {
            return value;
        }
    }
    return StepState::Settled;
}

} // namespace ferrolet
