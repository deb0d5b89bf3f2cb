#pragma once

#include "FileRef.h"

#include <QByteArray>

namespace ferrolet {

// A durable reference to a folder (or any item), stored as one data element
// per folder in the settings: it finds the item again after it was renamed in
// place or moved nearby on its volume, and after the volume was mounted at
// another mount point.
//
// The record is versioned binary: magic, version, then length-prefixed
// fields (absolute path bytes, device, inode, generation or birth time, volume
// identity, mount point at the time). Parsing never trusts a length field.

// FSNewAlias: a record for an existing item.
Status MakeFolderRecord(const FileRef& item, QByteArray& record);

// FSResolveAlias: the item the record designates. The stored path is tried
// first (rebased onto the volume's current mount point when it moved); when
// nothing matching is there, the inode is searched for in the stored parent
// folder and, bounded in entries and time, in the folders around it.
// The 5-byte "dummy" placeholder and any other bytes fail with paramErr (or
// fnfErr when the record is sound but its item cannot be found).
Status ResolveFolderRecord(const QByteArray& record, FileRef& item);

} // namespace ferrolet
