#pragma once

#include <QJsonObject>

#include <string>

namespace ferrolet::test {

// The settings file as Python's plistlib reads it, turned into JSON: data
// values become {"$data": base64}, integers {"$int": n}, so a test sees the
// stored types as well as the values. Empty when the file cannot be read.
QJsonObject ReadPlistWithPython(const std::string& path);

} // namespace ferrolet::test
