#include "PlistCodec.h"

#include "PlistNesting.h"

#include <QDateTime>
#include <QTimeZone>

#include <plist/plist.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace ferrolet {

namespace {

// Property-list dates count seconds from 2001-01-01 00:00:00 UTC.
constexpr qint64 kAppleEpochOffset = 978307200;

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

QVariant FromNode(plist_t node, int depth);
plist_t ToNode(const QVariant& value, int depth);

QVariant BoolFromNode(plist_t node) {
    uint8_t v = 0;
    plist_get_bool_val(node, &v);
    return QVariant(v != 0);
}

QVariant IntegerFromNode(plist_t node) {
    uint64_t v = 0;
    plist_get_uint_val(node, &v);
    // Integers are stored as 64-bit two's complement; negative values
    // come back as large unsigned ones.
    return QVariant(static_cast<qint64>(v));
}

QVariant RealFromNode(plist_t node) {
    double v = 0;
    plist_get_real_val(node, &v);
    return QVariant(v);
}

QVariant StringFromNode(plist_t node) {
    // plist_get_string_val asserts (aborting the program) when a parsed
    // string holds a zero byte; the pointer form does not. The text ends
    // at the first zero byte.
    uint64_t length = 0;
    const char* s = plist_get_string_ptr(node, &length);
    if (!s) {
        return QVariant(QString());
    }
    return QVariant(QString::fromUtf8(s, static_cast<qsizetype>(strnlen(s, length))));
}

QVariant DataFromNode(plist_t node) {
    char* d = nullptr;
    uint64_t len = 0;
    plist_get_data_val(node, &d, &len);
    QVariant v(QByteArray(d ? d : "", d ? static_cast<qsizetype>(len) : 0));
    std::free(d);
    return v;
}

QVariant DateFromNode(plist_t node) {
    int32_t sec = 0;
    int32_t usec = 0;
    plist_get_date_val(node, &sec, &usec);
    const qint64 ms = (static_cast<qint64>(sec) + kAppleEpochOffset) * 1000 + usec / 1000;
    return QVariant(QDateTime::fromMSecsSinceEpoch(ms, QTimeZone::utc()));
}

QVariant ArrayFromNode(plist_t node, int depth) {
    QVariantList list;
    const uint32_t n = plist_array_get_size(node);
    list.reserve(static_cast<qsizetype>(n));
    for (uint32_t i = 0; i < n; ++i) {
        list.append(FromNode(plist_array_get_item(node, i), depth + 1));
    }
    return list;
}

QVariant DictFromNode(plist_t node, int depth) {
    QVariantMap map;
    plist_dict_iter it = nullptr;
    plist_dict_new_iter(node, &it);
    while (it) {
        char* key = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(node, it, &key, &value);
        if (!key) {
            break;
        }
        map.insert(QString::fromUtf8(key), FromNode(value, depth + 1));
        std::free(key);
    }
    std::free(it);
    return map;
}

QVariant FromNode(plist_t node, int depth) {
    if (!node || depth > kMaxPlistDepth) {
        return {};
    }
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN:
        return BoolFromNode(node);
    case PLIST_UINT:
        return IntegerFromNode(node);
    case PLIST_REAL:
        return RealFromNode(node);
    case PLIST_STRING:
        return StringFromNode(node);
    case PLIST_DATA:
        return DataFromNode(node);
    case PLIST_DATE:
        return DateFromNode(node);
    case PLIST_ARRAY:
        return ArrayFromNode(node, depth);
    case PLIST_DICT:
        return DictFromNode(node, depth);
    default:
        return {};
    }
}

plist_t DateToNode(const QDateTime& date) {
    const qint64 ms = date.toMSecsSinceEpoch() - kAppleEpochOffset * 1000;
    qint64 sec = ms / 1000;
    qint64 rem = ms % 1000;
    if (rem < 0) {
        rem += 1000;
        --sec;
    }
    return plist_new_date(static_cast<int32_t>(sec), static_cast<int32_t>(rem * 1000));
}

// Elements that have no property-list form are left out.
plist_t ArrayToNode(const QVariantList& elements, int depth) {
    plist_t array = plist_new_array();
    for (const QVariant& element : elements) {
        if (plist_t child = ToNode(element, depth + 1)) {
            plist_array_append_item(array, child);
        }
    }
    return array;
}

// Values that have no property-list form are left out with their keys.
plist_t DictToNode(const QVariantMap& map, int depth) {
    plist_t dict = plist_new_dict();
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        if (plist_t child = ToNode(it.value(), depth + 1)) {
            plist_dict_set_item(dict, it.key().toUtf8().constData(), child);
        }
    }
    return dict;
}

plist_t ToNode(const QVariant& value, int depth) {
    if (depth > kMaxPlistDepth) {
        return nullptr;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        return plist_new_bool(value.toBool() ? 1 : 0);
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return plist_new_uint(static_cast<uint64_t>(value.toLongLong()));
    case QMetaType::Double:
    case QMetaType::Float:
        return plist_new_real(value.toDouble());
    case QMetaType::QString:
        return plist_new_string(value.toString().toUtf8().constData());
    case QMetaType::QByteArray: {
        const QByteArray data = value.toByteArray();
        return plist_new_data(data.constData(), static_cast<uint64_t>(data.size()));
    }
    case QMetaType::QDateTime:
        return DateToNode(value.toDateTime());
    case QMetaType::QStringList:
    case QMetaType::QVariantList:
        return ArrayToNode(value.toList(), depth);
    case QMetaType::QVariantMap:
        return DictToNode(value.toMap(), depth);
    default:
        return nullptr;
    }
}

} // namespace

std::optional<QVariantMap> ParsePlistDictionary(const QByteArray& bytes) {
    if (bytes.isEmpty() || bytes.size() > std::numeric_limits<int32_t>::max()) {
        return std::nullopt;
    }
    // Values at depths 0 to kMaxPlistDepth are kept; one level more is let
    // through (and trimmed below, as it always was), anything deeper is
    // refused before the library builds a tree it could not free.
    if (!PlistNestingWithin(bytes, kMaxPlistDepth + 2)) {
        return std::nullopt;
    }
    plist_t raw = nullptr;
    plist_from_memory(bytes.constData(), static_cast<uint32_t>(bytes.size()), &raw);
    PlistPtr root(raw);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT) {
        return std::nullopt;
    }
    return FromNode(root.get(), 0).toMap();
}

QByteArray SerializePlistXml(const QVariantMap& root) {
    PlistPtr node(ToNode(QVariant(root), 0));
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(node.get(), &xml, &length);
    QByteArray out(xml ? xml : "", xml ? static_cast<qsizetype>(length) : 0);
    plist_to_xml_free(xml);
    return out;
}

} // namespace ferrolet
