#pragma once

#include "platform/FileRef.h"
#include "util/Status.h"

#include <QByteArray>
#include <QDateTime>

#include <string>
#include <vector>

namespace ferrolet {

// Every holding folder says where its items came from, in a hidden file of
// its own (".ferrolet-held"), so that held items are never known only by the
// pending-cut file beside them: when that file is lost, damaged or
// overwritten, the holding folders are found by their provenance and can be
// pasted again, and a user who looks inside one by hand learns where its
// items belong. The file holds lines of text:
//   ferrolet-held 1
//   origin <base64 of the origin folder's record>
//   time <when the items were cut, ISO 8601 in UTC>
//   item <the name of an item cut, percent-encoded>   (one line per item)
inline constexpr const char* kHeldProvenanceName = ".ferrolet-held";

struct HeldProvenance {
    QByteArray originRecord; // empty when the origin could not be recorded
    QDateTime time;
    std::vector<std::string> items;
};

// Writes the provenance into the (new, empty) holding folder, flushed, before
// any item moves in.
Status WriteHeldProvenance(const FileRef& holdingFolder, const HeldProvenance& provenance);

// Reads the provenance of the holding folder folderName of the state folder
// stateFd; false when there is none or it is not one.
bool ReadHeldProvenance(int stateFd, const std::string& folderName, HeldProvenance& provenance);

// The holding folders of the state folder stateFd that still hold a visible
// item: UUID-named folders with a provenance file. Most recently cut first.
std::vector<std::string> FindHoldingFolders(int stateFd);

// Removes the holding folder when nothing but its provenance is left in it.
// A folder that still holds anything stays as it is.
void RemoveHoldingFolderIfEmpty(const FileRef& holdingFolder);

} // namespace ferrolet
