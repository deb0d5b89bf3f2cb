#include "GivenSelection.h"

#include "ServicePaths.h"
#include "util/Log.h"

#include <set>
#include <utility>

namespace ferrolet {

namespace {

// Why a given path has no slot; empty when it has one (ref is set then).
QString RejectionOf(const QString& path, const std::optional<FileRef>& destination, FileRef& ref) {
    const std::optional<std::string> bytes = UsableServicePath(path);
    if (!bytes) {
        return path.isEmpty() || path.startsWith(QLatin1Char('/'))
                   ? QStringLiteral("its name is not valid UTF-8")
                   : QStringLiteral("it is not an absolute path");
    }
    if (FileRef::FromPath(*bytes, ref) != 0) {
        return QStringLiteral("it no longer exists");
    }
    if (destination && ref.SameItem(*destination)) {
        return QStringLiteral("it is the destination folder itself");
    }
    return {};
}

std::optional<FileRef> DestinationFolder(const std::optional<std::string>& path) {
    FileRef folder;
    if (!path || FileRef::FromPath(*path, folder, FileRef::Leaf::Follow) != 0) {
        return std::nullopt;
    }
    return folder;
}

} // namespace

GivenSelection SelectionFromGivenPaths(const QStringList& paths,
                                       const std::optional<std::string>& destination) {
    GivenSelection given;
    given.snapshot.given = true;
    const std::optional<FileRef> folder = DestinationFolder(destination);
    std::set<std::pair<dev_t, ino_t>> seen;
    for (const QString& path : paths) {
        FileRef ref;
        QString why = RejectionOf(path, folder, ref);
        if (why.isEmpty() && !seen.insert({ref.Device(), ref.Inode()}).second) {
            why = QStringLiteral("it was named twice");
        }
        if (!why.isEmpty()) {
            ++given.unusable;
            Log(QStringLiteral("Ferrolet: skipped \"%1\": %2").arg(path, why));
            continue;
        }
        given.snapshot.items.push_back(std::move(ref));
    }
    given.snapshot.hasArray = !given.snapshot.items.empty();
    given.snapshot.count = static_cast<int32_t>(given.snapshot.items.size());
    return given;
}

void NotifyUnusablePaths(Platform& platform, int unusable) {
    if (unusable <= 0) {
        return;
    }
    platform.Notify(QStringLiteral("Some items were skipped"),
                    unusable == 1
                        ? QStringLiteral("One of the items you chose is gone or cannot be used, "
                                         "so Ferrolet left it alone.")
                        : QStringLiteral("%1 of the items you chose are gone or cannot be used, "
                                         "so Ferrolet left them alone.")
                              .arg(unusable));
}

} // namespace ferrolet
