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

int FailedItems(const RunReport& report) {
    int failed = report.unnamedFailedItems;
    for (const RunReport::Failure& failure : report.failures) {
        failed += failure.items;
    }
    return failed;
}

// The destination line, then one line per named failure and the count of
// the rest.
QStringList DetailLines(const RunReport& report) {
    QStringList lines;
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
    return lines;
}

// "Moved 2 of 5 items to Projects; cancelled": the items done before the
// cancel, out of those the run set out with.
QString CancelledSummary(const RunReport& report) {
    const int total = std::max(report.items, report.itemsReached);
    const int doneItems = std::max(0, report.itemsReached - FailedItems(report));
    QString done = report.done;
    if (!done.isEmpty()) {
        done[0] = done[0].toUpper();
    }
    QString summary =
        QStringLiteral("%1 %2 of %3 %4").arg(done).arg(doneItems).arg(total).arg(Items(total));
    if (!report.destination.isEmpty() && !report.destinationMissing) {
        summary += QStringLiteral(" to %1").arg(report.destination);
    }
    return summary + QStringLiteral("; cancelled");
}

} // namespace

std::optional<RunNotice> NoticeFor(const RunReport& report) {
    if (!report.HasTrouble()) {
        return std::nullopt;
    }
    RunNotice notice;
    if (!report.notStarted.isEmpty()) {
        notice.summary = QStringLiteral("%1: nothing %2").arg(report.verb, report.done);
        QStringList lines{report.notStarted};
        if (const QString destination = DestinationLine(report); !destination.isEmpty()) {
            lines << destination;
        }
        notice.body = lines.join(QLatin1Char('\n'));
        return notice;
    }
    notice.body = DetailLines(report).join(QLatin1Char('\n'));
    if (report.cancelled) {
        notice.summary = CancelledSummary(report);
        return notice;
    }
    // A run never fails more items than it set out with; a command that
    // counted none still says how many failed.
    const int failed = FailedItems(report);
    const int total = std::max(report.items, failed);
    notice.summary = QStringLiteral("%1: %2 of %3 %4 not %5")
                         .arg(report.verb)
                         .arg(failed)
                         .arg(total)
                         .arg(Items(total), report.done);
    return notice;
}

} // namespace ferrolet
