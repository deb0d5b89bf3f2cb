#include "FolderRecordFormat.h"

#include <array>
#include <cstring>

namespace ferrolet {

namespace {

constexpr char kMagic[4] = {'F', 'L', 'R', 'C'};
constexpr size_t kHeaderSize = 12;
constexpr size_t kChecksumSize = 4;
constexpr size_t kFieldHeaderSize = 6;
constexpr uint16_t kMaxFields = 64;

enum Tag : uint16_t {
    kTagPath = 1,
    kTagDevice = 2,
    kTagInode = 3,
    kTagHandle = 4,
    kTagBirthTime = 5,
    kTagVolumeUuid = 6,
    kTagFsid = 7,
    kTagMountPoint = 8,
    kTagMountRoot = 9,
    kTagFileType = 10,
};

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[i] = c;
    }
    return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

void PutUint(QByteArray& out, uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.append(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

uint64_t GetUint(const char* p, int bytes) {
    uint64_t value = 0;
    for (int i = 0; i < bytes; ++i) {
        value |= static_cast<uint64_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    }
    return value;
}

class FieldWriter {
public:
    void Bytes(uint16_t tag, const char* data, size_t size) {
        PutUint(m_body, tag, 2);
        PutUint(m_body, size, 4);
        m_body.append(data, static_cast<qsizetype>(size));
        ++m_count;
    }
    void String(uint16_t tag, const std::string& s) { Bytes(tag, s.data(), s.size()); }
    void Uint(uint16_t tag, uint64_t value, int bytes) {
        QByteArray v;
        PutUint(v, value, bytes);
        Bytes(tag, v.constData(), static_cast<size_t>(v.size()));
    }
    const QByteArray& Body() const { return m_body; }
    uint16_t Count() const { return m_count; }

private:
    QByteArray m_body;
    uint16_t m_count = 0;
};

bool IsSoundAbsolutePath(const std::string& path) {
    return !path.empty() && path[0] == '/' && path.size() <= kFolderRecordMaxPath &&
           path.find('\0') == std::string::npos;
}

// The magic, version, field count, body length and checksum of a record;
// false when any of them does not fit the bytes actually there.
bool CheckRecordFrame(const char* data, size_t size, uint64_t& fieldCount) {
    if (size < kHeaderSize + kChecksumSize || std::memcmp(data, kMagic, sizeof kMagic) != 0) {
        return false;
    }
    if (GetUint(data + 4, 2) != kFolderRecordVersion) {
        return false;
    }
    fieldCount = GetUint(data + 6, 2);
    const uint64_t bodyLength = GetUint(data + 8, 4);
    if (fieldCount > kMaxFields || bodyLength != size - kHeaderSize - kChecksumSize) {
        return false;
    }
    const size_t sealed = size - kChecksumSize;
    return GetUint(data + sealed, 4) == FolderRecordChecksum(data, sealed);
}

// Stores the value of one known field whose length is within its rule's
// bounds; false when the value is malformed in a way a length cannot show.
using FieldStore = bool (*)(const char* value, uint64_t length, FolderRecordFields& f);

template <std::string FolderRecordFields::*Member>
bool StoreAbsolutePath(const char* value, uint64_t length, FolderRecordFields& f) {
    std::string s(value, length);
    if (!IsSoundAbsolutePath(s)) {
        return false;
    }
    f.*Member = std::move(s);
    return true;
}

template <uint64_t FolderRecordFields::*Member>
bool StoreUint64(const char* value, uint64_t /*length*/, FolderRecordFields& f) {
    f.*Member = GetUint(value, 8);
    return true;
}

bool StoreFileType(const char* value, uint64_t /*length*/, FolderRecordFields& f) {
    f.fileType = static_cast<uint32_t>(GetUint(value, 4));
    return true;
}

bool StoreHandle(const char* value, uint64_t length, FolderRecordFields& f) {
    f.hasHandle = true;
    f.handleType = static_cast<int32_t>(GetUint(value, 4));
    f.handleBytes = QByteArray(value + 4, static_cast<qsizetype>(length - 4));
    return true;
}

bool StoreBirthTime(const char* value, uint64_t /*length*/, FolderRecordFields& f) {
    f.hasBirthTime = true;
    f.birthSeconds = static_cast<int64_t>(GetUint(value, 8));
    f.birthNanoseconds = static_cast<uint32_t>(GetUint(value + 8, 4));
    return f.birthNanoseconds < 1000000000u;
}

bool StoreVolumeUuid(const char* value, uint64_t length, FolderRecordFields& f) {
    f.volumeUuid.assign(value, length);
    return true;
}

// One known field: the lengths its value may have and where it goes.
struct FieldRule {
    uint16_t tag;
    uint64_t minLength;
    uint64_t maxLength;
    FieldStore store;
};

// Paths are bounded by IsSoundAbsolutePath, not by their rule.
constexpr uint64_t kAnyLength = UINT64_MAX;

constexpr FieldRule kFieldRules[] = {
    {kTagPath, 0, kAnyLength, &StoreAbsolutePath<&FolderRecordFields::path>},
    {kTagDevice, 8, 8, &StoreUint64<&FolderRecordFields::device>},
    {kTagInode, 8, 8, &StoreUint64<&FolderRecordFields::inode>},
    {kTagHandle, 4, 4 + kFolderRecordMaxHandle, &StoreHandle}, // type, then the handle
    {kTagBirthTime, 12, 12, &StoreBirthTime},                  // seconds, nanoseconds
    {kTagVolumeUuid, 1, 64, &StoreVolumeUuid},
    {kTagFsid, 8, 8, &StoreUint64<&FolderRecordFields::fsid>},
    {kTagMountPoint, 0, kAnyLength, &StoreAbsolutePath<&FolderRecordFields::mountPoint>},
    {kTagMountRoot, 0, kAnyLength, &StoreAbsolutePath<&FolderRecordFields::mountRoot>},
    {kTagFileType, 4, 4, &StoreFileType},
};

// Checks and stores one field by its rule; a tag without one is skipped.
bool ParseField(uint16_t tag, const char* value, uint64_t length, FolderRecordFields& f) {
    for (const FieldRule& rule : kFieldRules) {
        if (rule.tag == tag) {
            return length >= rule.minLength && length <= rule.maxLength &&
                   rule.store(value, length, f);
        }
    }
    return true; // a field a later minor revision added
}

// Reads fieldCount fields from the body, which ends where the checksum
// begins (sealed); every field must fit before it and fill it exactly.
bool ReadFields(const char* data, size_t sealed, uint64_t fieldCount, FolderRecordFields& f) {
    uint32_t seen = 0; // one bit per known tag
    size_t pos = kHeaderSize;
    for (uint64_t n = 0; n < fieldCount; ++n) {
        if (sealed - pos < kFieldHeaderSize) {
            return false;
        }
        const auto tag = static_cast<uint16_t>(GetUint(data + pos, 2));
        const uint64_t length = GetUint(data + pos + 2, 4);
        pos += kFieldHeaderSize;
        if (length > sealed - pos) {
            return false;
        }
        const char* value = data + pos;
        pos += length;
        if (tag < 32) {
            if (seen & (1u << tag)) {
                return false;
            }
            seen |= 1u << tag;
        }
        if (!ParseField(tag, value, length, f)) {
            return false;
        }
    }
    const uint32_t required = (1u << kTagPath) | (1u << kTagDevice) | (1u << kTagInode);
    return pos == sealed && (seen & required) == required;
}

// A mount point must come with its root and be a prefix of the path.
bool IsMountPointConsistent(const FolderRecordFields& f) {
    if (f.mountPoint.empty() != f.mountRoot.empty()) {
        return false;
    }
    if (f.mountPoint.empty()) {
        return true;
    }
    const std::string& m = f.mountPoint;
    return m == "/" || f.path == m ||
           (f.path.size() > m.size() && f.path.compare(0, m.size(), m) == 0 &&
            f.path[m.size()] == '/');
}

} // namespace

uint32_t FolderRecordChecksum(const char* data, size_t size) {
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        c = kCrcTable[(c ^ static_cast<unsigned char>(data[i])) & 0xFF] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFu;
}

QByteArray EncodeFolderRecord(const FolderRecordFields& f) {
    FieldWriter w;
    w.String(kTagPath, f.path);
    w.Uint(kTagDevice, f.device, 8);
    w.Uint(kTagInode, f.inode, 8);
    if (f.fileType != 0) {
        w.Uint(kTagFileType, f.fileType, 4);
    }
    if (f.hasHandle) {
        QByteArray v;
        PutUint(v, static_cast<uint32_t>(f.handleType), 4);
        v.append(f.handleBytes);
        w.Bytes(kTagHandle, v.constData(), static_cast<size_t>(v.size()));
    }
    if (f.hasBirthTime) {
        QByteArray v;
        PutUint(v, static_cast<uint64_t>(f.birthSeconds), 8);
        PutUint(v, f.birthNanoseconds, 4);
        w.Bytes(kTagBirthTime, v.constData(), static_cast<size_t>(v.size()));
    }
    if (!f.volumeUuid.empty()) {
        w.String(kTagVolumeUuid, f.volumeUuid);
    }
    if (f.fsid != 0) {
        w.Uint(kTagFsid, f.fsid, 8);
    }
    if (!f.mountPoint.empty()) {
        w.String(kTagMountPoint, f.mountPoint);
        w.String(kTagMountRoot, f.mountRoot.empty() ? std::string("/") : f.mountRoot);
    }

    QByteArray out;
    out.append(kMagic, sizeof kMagic);
    PutUint(out, kFolderRecordVersion, 2);
    PutUint(out, w.Count(), 2);
    PutUint(out, static_cast<uint64_t>(w.Body().size()), 4);
    out.append(w.Body());
    PutUint(out, FolderRecordChecksum(out.constData(), static_cast<size_t>(out.size())), 4);
    return out;
}

Status DecodeFolderRecord(const QByteArray& bytes, FolderRecordFields& out) {
    out = FolderRecordFields();
    const auto size = static_cast<size_t>(bytes.size());
    const char* data = bytes.constData();
    uint64_t fieldCount = 0;
    if (!CheckRecordFrame(data, size, fieldCount)) {
        return EINVAL;
    }
    FolderRecordFields f;
    if (!ReadFields(data, size - kChecksumSize, fieldCount, f) || !IsMountPointConsistent(f)) {
        return EINVAL;
    }
    out = std::move(f);
    return 0;
}

} // namespace ferrolet
