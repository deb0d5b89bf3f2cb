#include "ZipReadBack.h"

#include "TestEnvironment.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <sstream>

namespace ferrolet::test {

namespace {

// A line for the archive (opened, every CRC right), then one per entry: its
// name as stored bytes, the UTF-8 flag, mode, method, size and contents, all
// hex but for a digest in place of contents over 4 KiB.
const char* const kReader = R"(
import hashlib, sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
print(1, int(z.testzip() is None))
for i in z.infolist():
    raw = i.filename.encode("utf-8") if i.flag_bits & 0x800 else i.filename.encode("cp437")
    data = z.read(i)
    digest = data.hex() if len(data) <= 4096 else hashlib.sha256(data).hexdigest()
    print("n" + raw.hex(), int(bool(i.flag_bits & 0x800)), i.external_attr >> 16,
          i.compress_type, len(data), "d" + digest)
)";

std::string FromHex(const std::string& hex) {
    return QByteArray::fromHex(QByteArray::fromStdString(hex)).toStdString();
}

} // namespace

std::string Sha256Hex(const std::string& data) {
    return QCryptographicHash::hash(QByteArray::fromStdString(data), QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

ZipReadBack ReadZip(const std::string& path) {
    ZipReadBack result;
    std::string lines;
    RunProgram({"python3", "-c", kReader, path}, &lines);
    std::istringstream in(lines);
    in >> result.opened >> result.crcOk;
    std::string name, data;
    ZipEntryReadBack entry;
    while (in >> name >> entry.utf8Flag >> entry.mode >> entry.method >> entry.size >> data) {
        entry.data = entry.size <= 4096 ? FromHex(data.substr(1)) : data.substr(1);
        result.entries[FromHex(name.substr(1))] = entry;
    }
    result.unzipOk = RunProgram({"unzip", "-t", "-qq", path}, &lines) == 0;
    return result;
}

} // namespace ferrolet::test
