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
    const size_t size = static_cast<size_t>(bytes.size());
    const char* data = bytes.constData();
    if (size < kHeaderSize + kChecksumSize || std::memcmp(data, kMagic, sizeof kMagic) != 0) {
        return EINVAL;
    }
    if (GetUint(data + 4, 2) != kFolderRecordVersion) {
        return EINVAL;
    }
    const uint64_t fieldCount = GetUint(data + 6, 2);
    const uint64_t bodyLength = GetUint(data + 8, 4);
    if (fieldCount > kMaxFields || bodyLength != size - kHeaderSize - kChecksumSize) {
        return EINVAL;
    }
    const size_t sealed = size - kChecksumSize;
    if (GetUint(data + sealed, 4) != FolderRecordChecksum(data, sealed)) {
        return EINVAL;
    }

    FolderRecordFields f;
    uint32_t seen = 0; // one bit per known tag
    size_t pos = kHeaderSize;
    for (uint64_t n = 0; n < fieldCount; ++n) {
        if (sealed - pos < kFieldHeaderSize) {
            return EINVAL;
        }
        const auto tag = static_cast<uint16_t>(GetUint(data + pos, 2));
        const uint64_t length = GetUint(data + pos + 2, 4);
        pos += kFieldHeaderSize;
        if (length > sealed - pos) {
            return EINVAL;
        }
        const char* value = data + pos;
        pos += length;
        if (tag < 32) {
            if (seen & (1u << tag)) {
                return EINVAL;
            }
            seen |= 1u << tag;
        }
        switch (tag) {
        case kTagPath:
        case kTagMountPoint:
        case kTagMountRoot: {
            std::string s(value, length);
            if (!IsSoundAbsolutePath(s)) {
                return EINVAL;
            }
            (tag == kTagPath ? f.path : tag == kTagMountPoint ? f.mountPoint : f.mountRoot) = s;
            break;
        }
        case kTagDevice:
        case kTagInode:
        case kTagFsid:
            if (length != 8) {
                return EINVAL;
            }
            (tag == kTagDevice  ? f.device
             : tag == kTagInode ? f.inode
                                : f.fsid) = GetUint(value, 8);
            break;
        case kTagFileType:
            if (length != 4) {
                return EINVAL;
            }
            f.fileType = static_cast<uint32_t>(GetUint(value, 4));
            break;
        case kTagHandle:
            if (length < 4 || length - 4 > kFolderRecordMaxHandle) {
                return EINVAL;
            }
            f.hasHandle = true;
            f.handleType = static_cast<int32_t>(GetUint(value, 4));
            f.handleBytes = QByteArray(value + 4, static_cast<qsizetype>(length - 4));
            break;
        case kTagBirthTime:
            if (length != 12) {
                return EINVAL;
            }
            f.hasBirthTime = true;
            f.birthSeconds = static_cast<int64_t>(GetUint(value, 8));
            f.birthNanoseconds = static_cast<uint32_t>(GetUint(value + 8, 4));
            if (f.birthNanoseconds >= 1000000000u) {
                return EINVAL;
            }
            break;
        case kTagVolumeUuid:
            if (length == 0 || length > 64) {
                return EINVAL;
            }
            f.volumeUuid.assign(value, length);
            break;
        default:
            break; // a field a later minor revision added
        }
    }
    if (pos != sealed) {
        return EINVAL;
    }
    const uint32_t required = (1u << kTagPath) | (1u << kTagDevice) | (1u << kTagInode);
    if ((seen & required) != required) {
        return EINVAL;
    }
    // A mount point must come with its root and be a prefix of the path.
    if (f.mountPoint.empty() != f.mountRoot.empty()) {
        return EINVAL;
    }
    if (!f.mountPoint.empty()) {
        const std::string& m = f.mountPoint;
        const bool prefix = m == "/" || f.path == m ||
                            (f.path.size() > m.size() && f.path.compare(0, m.size(), m) == 0 &&
                             f.path[m.size()] == '/');
        if (!prefix) {
            return EINVAL;
        }
    }
    out = std::move(f);
    return 0;
}

} // namespace ferrolet
