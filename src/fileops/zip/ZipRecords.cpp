#include "fileops/zip/ZipRecords.h"

#include "fileops/zip/ZipNames.h"

#include <ctime>

namespace ferrolet {

namespace {

constexpr uint32_t kLocalSignature = 0x04034b50;
constexpr uint32_t kCentralSignature = 0x02014b50;
constexpr uint32_t kEndSignature = 0x06054b50;
constexpr uint32_t kZip64EndSignature = 0x06064b50;
constexpr uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr uint16_t kUtf8Flag = 0x0800;
constexpr uint16_t kMadeByUnix = 3 << 8;
constexpr uint16_t kZip64Version = 45;
constexpr uint32_t kNoFit32 = 0xFFFFFFFF;
constexpr uint16_t kNoFit16 = 0xFFFF;
// The extended timestamp ("UT": modification and access time) and Info-ZIP
// Unix owner ("ux": uid and gid) fields that every entry carries.
constexpr uint16_t kTimestampField = 0x5455;
constexpr uint16_t kOwnerField = 0x7875;
constexpr uint16_t kZip64Field = 0x0001;
constexpr uint16_t kTimeAndOwnerBytes = 4 + 9 + 4 + 11;

void Put16(std::string& out, uint32_t value) {
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

void Put64(std::string& out, uint64_t value) {
    Put32(out, static_cast<uint32_t>(value));
    Put32(out, static_cast<uint32_t>(value >> 32));
}

uint32_t Fit32(uint64_t value) {
    return value >= kNoFit32 ? kNoFit32 : static_cast<uint32_t>(value);
}

// Plain files that are stored need version 1.0 to extract; deflate, folders
// and links 2.0; zip64 fields 4.5.
uint16_t VersionNeeded(const ZipEntryRecord& record, bool zip64) {
    if (zip64) {
        return kZip64Version;
    }
    return record.method == 0 && !record.folderOrLink ? 10 : 20;
}

void PutTimeAndOwner(std::string& out, const ZipEntryRecord& record) {
    Put16(out, kTimestampField);
    Put16(out, 9);
    out += '\x03'; // both times follow
    Put32(out, record.mtime);
    Put32(out, record.atime);
    Put16(out, kOwnerField);
    Put16(out, 11);
    out += '\x01'; // version 1, then 4-byte uid and gid
    out += '\x04';
    Put32(out, record.uid);
    out += '\x04';
    Put32(out, record.gid);
}

// The fields both headers share, from "version needed" to the name's length.
void PutCommonFields(std::string& out, const ZipEntryRecord& record, bool zip64, bool fitSizes) {
    Put16(out, VersionNeeded(record, zip64));
    Put16(out, record.utf8 ? kUtf8Flag : 0);
    Put16(out, record.method);
    Put16(out, record.dosTime);
    Put16(out, record.dosDate);
    Put32(out, record.crc);
    Put32(out, fitSizes ? Fit32(record.compressedSize) : kNoFit32);
    Put32(out, fitSizes ? Fit32(record.size) : kNoFit32);
    Put16(out, static_cast<uint32_t>(record.name.size()));
}

// MS-DOS date and time in local time, as unzip restores when no other time
// is given; before 1980 they cannot be told and read as 1 January 1980.
void SetDosTime(ZipEntryRecord& record, time_t mtime) {
    struct tm local {};
    if (localtime_r(&mtime, &local) == nullptr || local.tm_year < 80) {
        record.dosDate = (1 << 5) | 1;
        return;
    }
    record.dosTime =
        static_cast<uint16_t>(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2);
    record.dosDate =
        static_cast<uint16_t>((local.tm_year - 80) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
}

} // namespace

ZipEntryRecord MakeEntryRecord(const std::string& name, const struct stat& st) {
    ZipEntryRecord record;
    record.name = name;
    record.utf8 = NeedsUtf8Mark(name);
    record.mode = st.st_mode;
    record.mtime = static_cast<uint32_t>(st.st_mtim.tv_sec);
    record.atime = static_cast<uint32_t>(st.st_atim.tv_sec);
    record.uid = st.st_uid;
    record.gid = st.st_gid;
    SetDosTime(record, st.st_mtim.tv_sec);
    return record;
}

void AppendLocalHeader(std::string& out, const ZipEntryRecord& record) {
    Put32(out, kLocalSignature);
    PutCommonFields(out, record, record.zip64Local, !record.zip64Local);
    Put16(out, kTimeAndOwnerBytes + (record.zip64Local ? 20 : 0));
    out += record.name;
    PutTimeAndOwner(out, record);
    if (record.zip64Local) {
        Put16(out, kZip64Field);
        Put16(out, 16);
        out += LocalZip64Sizes(record);
    }
}

std::string LocalCrcAndSizes(const ZipEntryRecord& record) {
    std::string out;
    Put32(out, record.crc);
    Put32(out, record.zip64Local ? kNoFit32 : Fit32(record.compressedSize));
    Put32(out, record.zip64Local ? kNoFit32 : Fit32(record.size));
    return out;
}

uint64_t LocalZip64SizesOffset(const ZipEntryRecord& record) {
    return 30 + record.name.size() + kTimeAndOwnerBytes + 4;
}

std::string LocalZip64Sizes(const ZipEntryRecord& record) {
    std::string out;
    Put64(out, record.size);
    Put64(out, record.compressedSize);
    return out;
}

void AppendCentralRecord(std::string& out, const ZipEntryRecord& record) {
    // The zip64 field holds, in this order, each value that does not fit.
    std::string zip64;
    for (const uint64_t value : {record.size, record.compressedSize, record.headerOffset}) {
        if (value >= kNoFit32) {
            Put64(zip64, value);
        }
    }
    const bool useZip64 = !zip64.empty() || record.zip64Local;
    Put32(out, kCentralSignature);
    Put16(out, kMadeByUnix | VersionNeeded(record, useZip64));
    PutCommonFields(out, record, useZip64, true);
    Put16(out, kTimeAndOwnerBytes + (zip64.empty() ? 0 : 4 + zip64.size()));
    Put16(out, 0); // comment length
    Put16(out, 0); // disk number
    Put16(out, 0); // internal attributes
    Put32(out, record.mode << 16);
    Put32(out, Fit32(record.headerOffset));
    out += record.name;
    PutTimeAndOwner(out, record);
    if (!zip64.empty()) {
        Put16(out, kZip64Field);
        Put16(out, static_cast<uint32_t>(zip64.size()));
        out += zip64;
    }
}

void AppendEndRecords(std::string& out, uint64_t count, uint64_t centralOffset,
                      uint64_t centralSize) {
    const bool zip64 = count >= kNoFit16 || centralOffset >= kNoFit32 || centralSize >= kNoFit32;
    if (zip64) {
        const uint64_t zip64EndOffset = centralOffset + centralSize;
        Put32(out, kZip64EndSignature);
        Put64(out, 44); // the size of the rest of this record
        Put16(out, kMadeByUnix | kZip64Version);
        Put16(out, kZip64Version);
        Put32(out, 0); // this disk
        Put32(out, 0); // the disk where the central directory starts
        Put64(out, count);
        Put64(out, count);
        Put64(out, centralSize);
        Put64(out, centralOffset);
        Put32(out, kZip64LocatorSignature);
        Put32(out, 0);
        Put64(out, zip64EndOffset);
        Put32(out, 1); // disks in all
    }
    Put32(out, kEndSignature);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, zip64 ? kNoFit16 : static_cast<uint32_t>(count));
    Put16(out, zip64 ? kNoFit16 : static_cast<uint32_t>(count));
    Put32(out, Fit32(centralSize));
    Put32(out, Fit32(centralOffset));
    Put16(out, 0); // comment length
}

} // namespace ferrolet
