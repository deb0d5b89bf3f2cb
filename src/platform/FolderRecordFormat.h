#pragma once

#include "util/Status.h"

#include <QByteArray>

#include <cstdint>
#include <string>
#include <sys/types.h>

namespace ferrolet {

// The fields of a durable folder record, as they were when it was made.
struct FolderRecordFields {
    std::string path; // absolute path bytes
    uint64_t device = 0;
    uint64_t inode = 0;
    uint32_t fileType = 0; // st_mode & S_IFMT; 0 when not recorded

    // The kernel's file handle (name_to_handle_at): inode and generation on
    // most file systems, so a reused inode number is told apart.
    bool hasHandle = false;
    int32_t handleType = 0;
    QByteArray handleBytes;

    // Birth time (statx), the fallback where handles are not supported.
    bool hasBirthTime = false;
    int64_t birthSeconds = 0;
    uint32_t birthNanoseconds = 0;

    // The volume: its file-system UUID where known (device numbers change
    // across boots), statfs's f_fsid, and where it was mounted.
    std::string volumeUuid;
    uint64_t fsid = 0;
    std::string mountPoint; // empty when unknown
    std::string mountRoot;  // the folder of the volume mounted there ("/" usually)
};

inline constexpr uint16_t kFolderRecordVersion = 1;

// Longest path and handle a record may hold; anything longer is not ours.
inline constexpr size_t kFolderRecordMaxPath = 4096;
inline constexpr size_t kFolderRecordMaxHandle = 128;

// Layout (integers little-endian):
//   "FLRC"  u16 version  u16 field count  u32 body length
//   body: fields, each u16 tag, u32 length, value
//   u32 CRC-32 of everything before it
// Unknown tags are skipped, so later minor additions stay readable.
QByteArray EncodeFolderRecord(const FolderRecordFields& fields);

// EINVAL for anything that is not a sound record of a known version: wrong
// magic or version, any length that does not fit the bytes actually there, a
// bad checksum, a duplicate or malformed field, a missing path, device or
// inode, a path that is not absolute or holds a zero byte.
Status DecodeFolderRecord(const QByteArray& bytes, FolderRecordFields& fields);

// The CRC-32 (IEEE) of the bytes; exposed so tools can re-seal a record.
uint32_t FolderRecordChecksum(const char* data, size_t size);

} // namespace ferrolet
