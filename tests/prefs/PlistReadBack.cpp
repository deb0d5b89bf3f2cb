#include "PlistReadBack.h"

#include "TestEnvironment.h"

#include <QJsonDocument>

namespace ferrolet::test {

namespace {
const char* const kScript = R"PY(
import base64, json, plistlib, sys
def conv(v):
    if isinstance(v, bytes):
        return {"$data": base64.b64encode(v).decode()}
    if isinstance(v, bool):
        return v
    if isinstance(v, int):
        return {"$int": v}
    if isinstance(v, dict):
        return {k: conv(x) for k, x in v.items()}
    if isinstance(v, list):
        return [conv(x) for x in v]
    return v
with open(sys.argv[1], "rb") as f:
    print(json.dumps(conv(plistlib.load(f))))
)PY";
} // namespace

QJsonObject ReadPlistWithPython(const std::string& path) {
    std::string out;
    if (RunProgram({"python3", "-c", kScript, path}, &out) != 0) {
        return {};
    }
    return QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
}

} // namespace ferrolet::test
