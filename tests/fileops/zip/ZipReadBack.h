#pragma once

#include <map>
#include <string>

namespace ferrolet::test {

// One entry of a zip archive as Python's zipfile module reads it.
struct ZipEntryReadBack {
    bool utf8Flag = false;
    unsigned mode = 0; // Unix mode from the external attributes
    int method = -1;   // 0 stored, 8 deflated
    std::string data;  // the contents (a link's target), or a digest of big ones
    long long size = 0;
};

struct ZipReadBack {
    bool opened = false;                             // zipfile could open the archive at all
    bool crcOk = false;                              // zipfile's own test of every entry
    bool unzipOk = false;                            // `unzip -t` found no error
    std::map<std::string, ZipEntryReadBack> entries; // by name, as stored bytes
};

// Reads the archive with two independent readers: Python's zipfile (names as
// stored bytes, modes, methods, contents) and Info-ZIP's `unzip -t`.
ZipReadBack ReadZip(const std::string& path);

// The SHA-256 of data in hex, as ReadZip reports entries over 4 KiB.
std::string Sha256Hex(const std::string& data);

} // namespace ferrolet::test
