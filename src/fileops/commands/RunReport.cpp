#include "fileops/commands/RunReport.h"

#include <QStringList>

#include <algorithm>
#include <cstring>

namespace ferrolet {

void RunReport::AddFailure(const QString& name, int status, int count) {
    AddFailure(name, QString::fromLocal8Bit(std::strerror(status)), count);
}

void RunReport::AddFailure(const QString& name, const QString& reason, int count) {
    if (failures.size() < static_cast<size_t>(kNamedFailures)) {
        failures.push_back({name, reason, count});
        return;
    }
    ++unnamedFailures;
    unnamedFailedItems += count;
}

namespace {

QString Items(int count) {
    return count == 1 ? QStringLiteral("item") : QStringLiteral("items");
}

QString DestinationLine(const RunReport& report) {
    if (report.destinationMissing) {
        return report.destination.isEmpty()
                   ? QStringLiteral("The destination folder was not found.")
                   : QStringLiteral("Destination not found: %1").arg(report.destination);
    }
    if (report.destination.isEmpty()) {
        return {};
    }
    return QStringLiteral("Destination: %1").arg(report.destination);
}

} // namespace

std::optional<RunNotice> NoticeFor(const RunReport& report) {
    if (!report.HasTrouble()) {
        return std::nullopt;
    }
    RunNotice notice;
    QStringList lines;
    if (!report.notStarted.isEmpty()) {
        notice.summary = QStringLiteral("%1: nothing %2").arg(report.verb, report.done);
        lines << report.notStarted;
        if (const QString destination = DestinationLine(report); !destination.isEmpty()) {
            lines << destination;
        }
        notice.body = lines.join(QLatin1Char('\n'));
        return notice;
    }
    int failed = report.unnamedFailedItems;
    for (const RunReport::Failure& failure : report.failures) {
        failed += failure.items;
    }
    // A run never fails more items than it set out with; a command that
    // counted none still says how many failed.
    const int total = std::max(report.items, failed);
    notice.summary = QStringLiteral("%1: %2 of %3 %4 not %5")
                         .arg(report.verb)
                         .arg(failed)
                         .arg(total)
                         .arg(Items(total), report.done);
    if (const QString destination = DestinationLine(report); !destination.isEmpty()) {
        lines << destination;
    }
    const int named = std::min<int>(kNamedFailures, static_cast<int>(report.failures.size()));
    for (int i = 0; i < named; ++i) {
        const RunReport::Failure& failure = report.failures[static_cast<size_t>(i)];
        lines << QStringLiteral("\u201C%1\u201D: %2").arg(failure.name, failure.reason);
    }
    if (const int more = report.FailureCount() - named; more > 0) {
        lines << QStringLiteral("\u2026and %1 more").arg(more);
    }
    notice.body = lines.join(QLatin1Char('\n'));
    return notice;
}

} // namespace ferrolet
