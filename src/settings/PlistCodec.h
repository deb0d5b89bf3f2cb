#pragma once

#include <QByteArray>
#include <QVariant>

#include <optional>

namespace ferrolet {

// Property-list values are carried as QVariant: bool, qint64, double, QString,
// QByteArray (data), QDateTime (date), QVariantList (array), QVariantMap
// (dictionary).

// How deep below the root dictionary values are kept; deeper ones are left
// out when converting, and a file nested much deeper is refused whole.
inline constexpr int kMaxPlistDepth = 64;

// Parses an XML or binary property list whose root is a dictionary; nothing
// when the bytes are not one.
std::optional<QVariantMap> ParsePlistDictionary(const QByteArray& bytes);

// The XML form of a dictionary.
QByteArray SerializePlistXml(const QVariantMap& root);

} // namespace ferrolet
