#include "ZipReadBack.h"

#include "TestEnvironment.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace ferrolet::test {

namespace {

const char* const kReader = R"(
import hashlib, json, sys, zipfile
out = {"opened": False, "crc_ok": False, "entries": []}
try:
    z = zipfile.ZipFile(sys.argv[1])
    out["opened"] = True
    out["crc_ok"] = z.testzip() is None
    for i in z.infolist():
        raw = i.filename.encode("utf-8") if i.flag_bits & 0x800 else i.filename.encode("cp437")
        data = z.read(i)
        out["entries"].append({
            "name": raw.hex(), "utf8": bool(i.flag_bits & 0x800),
            "mode": i.external_attr >> 16, "method": i.compress_type, "size": len(data),
            "data": data.hex() if len(data) <= 4096 else hashlib.sha256(data).hexdigest()})
except Exception as e:
    out["error"] = str(e)
print(json.dumps(out))
)";

std::string FromHex(const QString& hex) {
    return QByteArray::fromHex(hex.toLatin1()).toStdString();
}

} // namespace

std::string Sha256Hex(const std::string& data) {
    return QCryptographicHash::hash(QByteArray::fromStdString(data), QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

ZipReadBack ReadZip(const std::string& path) {
    ZipReadBack result;
    std::string json;
    if (RunProgram({"python3", "-c", kReader, path}, &json) != 0) {
        return result;
    }
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
    result.opened = root.value("opened").toBool();
    result.crcOk = root.value("crc_ok").toBool();
    for (const QJsonValue& value : root.value("entries").toArray()) {
        const QJsonObject o = value.toObject();
        ZipEntryReadBack entry;
        entry.utf8Flag = o.value("utf8").toBool();
        entry.mode = static_cast<unsigned>(o.value("mode").toInteger());
        entry.method = o.value("method").toInt();
        entry.size = o.value("size").toInteger();
        const QString data = o.value("data").toString();
        entry.data = entry.size <= 4096 ? FromHex(data) : data.toStdString();
        result.entries[FromHex(o.value("name").toString())] = entry;
    }
    std::string unzipOutput;
    result.unzipOk = RunProgram({"unzip", "-t", "-qq", path}, &unzipOutput) == 0;
    return result;
}

} // namespace ferrolet::test
