#pragma once

#include "FileRef.h"

#include <QByteArray>

#include <string>

namespace ferrolet {

// A durable reference to a folder (or any item), stored as one data element
// per folder in the settings: it finds the item again after it was renamed in
// place or moved nearby on its volume, and after the volume was mounted at
// another mount point.
//
// The record is versioned binary (FolderRecordFormat.h): magic, version, then
// tagged, length-prefixed fields (absolute path bytes, device, inode, file
// handle or birth time, volume UUID and file-system id, mount point at the
// time) and a checksum. Parsing never trusts a length field.

// A record for an existing item. EINVAL for a null reference,
// ENOENT when the reference's path no longer holds its item.
Status MakeFolderRecord(const FileRef& item, QByteArray& record);

// The item the record designates. The stored path is tried
// first (rebased onto the volume's current mount point when it moved); when
// nothing matching is there, the inode is searched for in the stored parent
// folder and, bounded in entries and time, in the folders around it. When the
// item is gone but an item of the same kind now stands at its path on the same
// volume, that item is the answer.
// The 5-byte "dummy" placeholder and any other bytes fail with EINVAL;
// ENOENT when the record is sound but its item cannot be found.
Status ResolveFolderRecord(const QByteArray& record, FileRef& item);

// The path the record was made with, without looking at the file system;
// EINVAL when the bytes are not a record.
Status FolderRecordPath(const QByteArray& record, std::string& path);

} // namespace ferrolet
