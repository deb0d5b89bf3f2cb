#pragma once

#include <cstdint>
#include <string>
#include <sys/stat.h>

namespace ferrolet {

// What the archive says about one entry, in its local header and again in
// the central directory at the end. The name is the entry's only copy in
// memory until the archive is closed.
struct ZipEntryRecord {
    std::string name;
    bool utf8 = false;   // the name is marked as UTF-8 (general purpose bit 11)
    uint16_t method = 0; // 0 stored, 8 deflated
    bool folderOrLink = false;
    uint32_t crc = 0;
    uint64_t compressedSize = 0;
    uint64_t size = 0;
    uint64_t headerOffset = 0;
    uint32_t mode = 0;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint32_t mtime = 0;
    uint32_t atime = 0;
    uint32_t uid = 0;
    uint32_t gid = 0;
    // The local header carries zip64 sizes: set up front for files that may
    // pass 4 GiB, since the header is written before their data.
    bool zip64Local = false;
};

// An entry's record with name, mode, owners and times taken from st.
ZipEntryRecord MakeEntryRecord(const std::string& name, const struct stat& st);

// Where the CRC and the sizes sit in a local header, for filling them in
// once the data is written.
inline constexpr uint64_t kLocalCrcOffset = 14;
// The local header of record, with its CRC and sizes as they stand.
void AppendLocalHeader(std::string& out, const ZipEntryRecord& record);
// The CRC and sizes as they go at kLocalCrcOffset; with zip64Local, the
// sizes of the zip64 field follow at LocalZip64SizesOffset.
std::string LocalCrcAndSizes(const ZipEntryRecord& record);
uint64_t LocalZip64SizesOffset(const ZipEntryRecord& record);
std::string LocalZip64Sizes(const ZipEntryRecord& record);

void AppendCentralRecord(std::string& out, const ZipEntryRecord& record);
// The end of the central directory, with zip64's end record and locator
// before it when the count, the offset or the size pass the classic fields.
void AppendEndRecords(std::string& out, uint64_t count, uint64_t centralOffset,
                      uint64_t centralSize);

} // namespace ferrolet
