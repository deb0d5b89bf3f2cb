#include "DestinationChecks.h"

#include <algorithm>
#include <cstring>

namespace ferrolet {

namespace {

bool IsOneOf(DestinationCommand command, std::initializer_list<DestinationCommand> commands) {
    for (DestinationCommand c : commands) {
        if (c == command) {
            return true;
        }
    }
    return false;
}

// A selected folder is the destination or one of its ancestors. The paths
// are compared as the selection and the resolved destination give them, so
// the same folder is also recognised by its identity.
bool InsideSelection(const SelectionFacts& selection, const DestinationFacts& dest,
                     const std::string& destPath) {
    for (const SelectedItemFacts& folder : selection.folders) {
        if (folder.device == dest.device && folder.inode == dest.inode) {
            return true;
        }
        const std::string& path = folder.path;
        const bool under = destPath.size() > path.size() &&
                           destPath.compare(0, path.size(), path) == 0 &&
                           (path.back() == '/' || destPath[path.size()] == '/');
        if (under) {
            return true;
        }
    }
    return false;
}

bool FatUnsafe(const std::string& name) {
    if (name.empty()) {
        return false;
    }
    if (name.back() == '.' || name.back() == ' ') {
        return true;
    }
    for (unsigned char c : name) {
        if (c < 0x20 || std::strchr("\"*:<>?\\|", c) != nullptr) {
            return true;
        }
    }
    return false;
}

// The names the command makes in the destination: the items' own, or the
// archive's.
bool AnyNameNotAllowed(DestinationCommand command, const SelectionFacts& selection,
                       const FileSystemFacts& fs) {
    if (command == DestinationCommand::ArchiveTo) {
        const std::string name =
            selection.itemCount == 1 ? selection.firstName + ".zip" : "Archive.zip";
        return NameNotAllowed(name, fs);
    }
    const bool tooLong = fs.nameMax > 0 && selection.longestName > static_cast<size_t>(fs.nameMax);
    return tooLong || (fs.fatNames && selection.fatUnsafeName);
}

// What the command writes into the destination's file system: a move within
// one file system writes nothing, a copy or an archive (at most the items'
// size, as stored) all of it.
uint64_t BytesNeeded(DestinationCommand command, const SelectionFacts& selection,
                     const DestinationFacts& dest) {
    uint64_t bytes = 0;
    for (const auto& [device, size] : selection.bytesByDevice) {
        if (command != DestinationCommand::MoveTo || device != dest.device) {
            bytes += size;
        }
    }
    return bytes;
}

QString SpaceReason(DestinationCommand command, const SelectionFacts& selection,
                    const DestinationFacts& dest) {
    const uint64_t needed = BytesNeeded(command, selection, dest);
    if (needed <= dest.fs.freeBytes) {
        return {};
    }
    return QStringLiteral("needs %1%2, %3 free")
        .arg(selection.sizesComplete ? QString() : QStringLiteral("at least "),
             SizeText(needed, needed), SizeText(dest.fs.freeBytes, needed));
}

} // namespace

QString UnavailableReason(DestinationCommand command, const SelectionFacts& selection,
                          const DestinationFacts& dest, const std::string& destPath) {
    using C = DestinationCommand;
    switch (dest.state) {
    case DestinationFacts::State::NotFound:
        return QStringLiteral("not found");
    case DestinationFacts::State::NotAnswering:
        return QStringLiteral("not answering");
    case DestinationFacts::State::Found:
        break;
    }
    if (command == C::OpenFolder) {
        return {};
    }
    if (dest.fs.readOnly || !dest.writable) {
        return QStringLiteral("read-only");
    }
    if (IsOneOf(command, {C::MoveTo, C::CopyTo}) && InsideSelection(selection, dest, destPath)) {
        return QStringLiteral("inside the selection");
    }
    if (command == C::HardLinkTo && !selection.folders.empty()) {
        return QStringLiteral("folders cannot be hard-linked");
    }
    // Hard links stay on one file system: refused when no item is on it.
    if (command == C::HardLinkTo && selection.bytesByDevice.count(dest.device) == 0) {
        return QStringLiteral("other file system");
    }
    if (AnyNameNotAllowed(command, selection, dest.fs)) {
        return QStringLiteral("names not allowed there");
    }
    if (IsOneOf(command, {C::MoveTo, C::CopyTo, C::ArchiveTo})) {
        return SpaceReason(command, selection, dest);
    }
    return {};
}

QString SizeText(uint64_t bytes, uint64_t unitOf) {
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
    if (unitOf < 1000) {
        return QStringLiteral("%1 bytes").arg(bytes);
    }
    double unit = 1000.0;
    int index = 0;
    while (index < 3 && unitOf >= unit * 1000.0) {
        unit *= 1000.0;
        ++index;
    }
    return QStringLiteral("%1 %2")
        .arg(double(bytes) / unit, 0, 'f', 1)
        .arg(QLatin1String(kUnits[index]));
}

bool NameNotAllowed(const std::string& name, const FileSystemFacts& fs) {
    if (fs.nameMax > 0 && name.size() > static_cast<size_t>(fs.nameMax)) {
        return true;
    }
    return fs.fatNames && FatUnsafe(name);
}

void AddSelectedItem(SelectionFacts& selection, SelectedItemFacts item, uint64_t bytes) {
    if (selection.itemCount++ == 0) {
        selection.firstName = item.name;
    }
    selection.longestName = std::max(selection.longestName, item.name.size());
    selection.fatUnsafeName = selection.fatUnsafeName || FatUnsafe(item.name);
    selection.bytesByDevice[item.device] += bytes;
    if (item.isFolder) {
        selection.folders.push_back(std::move(item));
    }
}

} // namespace ferrolet
