// Feeds arbitrary bytes to the settings-file parser; whatever parses must
// survive being written out and read back.
#include "settings/PlistCodec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<QVariantMap> parsed = ferrolet::ParsePlistDictionary(bytes);
    if (parsed) {
        const QByteArray xml = ferrolet::SerializePlistXml(*parsed);
        if (!ferrolet::ParsePlistDictionary(xml)) {
            __builtin_trap();
        }
    }
    return 0;
}
