#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace ferrolet {

// What one command run did wrong, in the words the user is shown: the
// commands feed it item by item, and at the end of the run it becomes one
// desktop notification (or none when all went well).
struct RunReport {
    // "Move To", "Put In Its Place" … and the past participle that says
    // what did not happen to the failed items ("moved", "archived" …).
    QString verb;
    QString done;
    // The destination folder's name as the user knows it; empty when the
    // command has none (Put In Its Place) or it was never reached.
    QString destination;
    // The destination folder was not there when the run went to it.
    bool destinationMissing = false;
    // How many items the run set out to act on.
    int items = 0;

    struct Failure {
        QString name;   // the item's name
        QString reason; // the system's words for why
        int items = 1;  // how many selected items this failure stands for
    };
    std::vector<Failure> failures;

    // Why the run could not start at all ("Nothing is selected." …); empty
    // when it started.
    QString notStarted;

    // The user cancelled the run once itemsReached items were behind it (done
    // or failed); the rest were left as they were.
    bool cancelled = false;
    int itemsReached = 0;

    // Failures past the named ones are only counted, so a run over a
    // million missing items does not hold a million names.
    int unnamedFailures = 0;
    int unnamedFailedItems = 0;

    // An item that failed with the errno value status.
    void AddFailure(const QString& name, int status, int count = 1);
    // An item that failed for a reason of our own, in plain words.
    void AddFailure(const QString& name, const QString& reason, int count = 1);
    bool HasTrouble() const { return !failures.empty() || !notStarted.isEmpty() || cancelled; }
    // Every failure, named or counted.
    int FailureCount() const { return static_cast<int>(failures.size()) + unnamedFailures; }
};

// The notification a run's report turns into.
struct RunNotice {
    QString summary;
    QString body;
};

// The notification for report, or nothing when the run went well:
//   summary "Move To: 2 of 5 items not moved"
//   body    "Destination: Projects\n“a.txt”: No space left on device\n
//            “b”: Invalid cross-device link\n…and 1 more"
// At most kNamedFailures failures are named; the rest are counted. A
// cancelled run says what was done before the cancel:
//   summary "Moved 2 of 5 items to Projects; cancelled"
// and names its failures, if any, in the body.
std::optional<RunNotice> NoticeFor(const RunReport& report);

inline constexpr int kNamedFailures = 3;

} // namespace ferrolet
