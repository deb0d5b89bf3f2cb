#include "filemanager/Selection.h"

#include "filemanager/CapturedRun.h"
#include "filemanager/SelectionLine.h"
#include "util/AppPaths.h"

#include <unordered_set>

namespace ferrolet {

namespace {

struct ItemIdentity {
    dev_t device;
    ino_t inode;
    bool operator==(const ItemIdentity&) const = default;
};

struct ItemIdentityHash {
    size_t operator()(const ItemIdentity& id) const {
        return std::hash<uint64_t>()(static_cast<uint64_t>(id.inode) * 1000003u ^
                                     static_cast<uint64_t>(id.device));
    }
};

// Calls visit(line) for each item line; false when there are too many.
template <typename Visit> bool ForEachItemLine(std::string_view output, Visit visit) {
    size_t lines = 0;
    while (!output.empty()) {
        const size_t end = output.find('\n');
        std::string_view line = output.substr(0, end);
        output = end == std::string_view::npos ? std::string_view() : output.substr(end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (line.empty() || line.starts_with('#')) {
            continue;
        }
        if (++lines > kMaxSelectionLines) {
            return false;
        }
        visit(line);
    }
    return true;
}

} // namespace

std::optional<std::vector<FileRef>> SelectionFromScriptOutput(std::string_view output) {
    // Count first, so a runaway list is refused before any item is looked up.
    size_t lines = 0;
    if (!ForEachItemLine(output, [&](std::string_view) { ++lines; }) || lines == 0) {
        return std::nullopt;
    }
    std::vector<FileRef> items;
    items.reserve(lines);
    std::unordered_set<ItemIdentity, ItemIdentityHash> seen;
    seen.reserve(lines);
    ForEachItemLine(output, [&](std::string_view line) {
        FileRef ref;
        if (ResolveSelectionLine(line, ref) == 0 &&
            seen.insert({ref.Device(), ref.Inode()}).second) {
            items.push_back(std::move(ref));
        } else {
            items.emplace_back();
        }
    });
    return items;
}

std::optional<std::vector<FileRef>> ReadSelection(const std::string& scriptPath, int32_t& count,
                                                  const CaptureLimits& limits) {
    CapturedRun run;
    if (RunAndCapture({scriptPath}, limits, run) != 0 || run.exitCode != 0) {
        return std::nullopt;
    }
    std::optional<std::vector<FileRef>> items = SelectionFromScriptOutput(run.output);
    if (items) {
        count = static_cast<int32_t>(items->size());
    }
    return items;
}

std::optional<std::vector<FileRef>> ReadSelection(int32_t& count) {
    const std::string dataDir = DataDirectory();
    if (dataDir.empty()) {
        return std::nullopt;
    }
    return ReadSelection(dataDir + "/selection", count);
}

namespace {
void Replace(SelectionSnapshot& snapshot, std::optional<std::vector<FileRef>> items) {
    snapshot.hasArray = items.has_value();
    snapshot.given = false;
    snapshot.takenByRun = false;
    snapshot.items = items ? std::move(*items) : std::vector<FileRef>();
}
} // namespace

void RefreshSelectionSnapshot(SelectionSnapshot& snapshot) {
    Replace(snapshot, ReadSelection(snapshot.count));
}

void RefreshSelectionSnapshot(SelectionSnapshot& snapshot, const std::string& scriptPath) {
    Replace(snapshot, ReadSelection(scriptPath, snapshot.count));
}

} // namespace ferrolet
