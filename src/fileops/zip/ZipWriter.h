#pragma once

#include "util/Status.h"

#include <string>
#include <sys/stat.h>

struct archive;
struct archive_entry;

namespace ferrolet {

// A zip archive being written to an open file through libarchive's zip
// writer: deflate or stored entries, Unix modes, owners and times kept, zip64
// used by the writer only where an entry or the archive passes 4 GiB.
//
// Names are taken as bytes. A name that is valid UTF-8 is marked as UTF-8 so
// that other systems show it right; any other name is stored as its bytes
// without the mark, since readers that trust the mark reject the whole
// archive over one such name.
//
// Every call after a failure fails too; the caller discards the file.
class ZipWriter {
public:
    ZipWriter();
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // Starts the archive on fd, which stays the caller's to close.
    Status Open(int fd);

    // A folder entry ("name/").
    Status AddFolder(const std::string& name, const struct stat& st);
    // A symbolic link stored as a link to target.
    Status AddSymlink(const std::string& name, const struct stat& st, const std::string& target);
    // A regular file of st.st_size bytes, which follow through WriteData.
    // compress false stores the bytes as they are.
    Status BeginFile(const std::string& name, const struct stat& st, bool compress);
    Status WriteData(const char* data, size_t size);

    // Writes the central directory. The archive is complete only when this
    // succeeds.
    Status Close();

private:
    Status Fail();
    Status WriteHeader(::archive_entry* entry, const std::string& name);

    struct archive* m_archive = nullptr;
    bool m_failed = false;
    bool m_compressing = true;
};

// Whether text is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing past U+10FFFF).
bool IsValidUtf8(const std::string& text);

} // namespace ferrolet
