#include "fileops/zip/ZipWriter.h"

#include <archive.h>
#include <archive_entry.h>
#include <clocale>

#include <memory>

namespace ferrolet {

namespace {

// Output goes out in blocks of this size; the last one is not padded.
constexpr int kBlockBytes = 128 * 1024;

// libarchive marks a non-ASCII name as UTF-8 exactly when the locale in force
// while the entry's header is written uses UTF-8. Choosing the locale per
// entry lets the mark follow each name's own bytes, whatever the user's
// locale is. (The writer's "hdrcharset" option would convert names from the
// locale instead, mangling them in a non-UTF-8 locale and marking invalid
// names as UTF-8.)
locale_t HeaderLocale(bool utf8) {
    static const locale_t utf8Locale = newlocale(LC_ALL_MASK, "C.UTF-8", locale_t(nullptr));
    static const locale_t plainLocale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return utf8 ? utf8Locale : plainLocale;
}

struct EntryDeleter {
    void operator()(archive_entry* entry) const { archive_entry_free(entry); }
};
using EntryPtr = std::unique_ptr<archive_entry, EntryDeleter>;

EntryPtr NewEntry(const struct stat& st, mode_t type) {
    EntryPtr entry(archive_entry_new());
    if (!entry) {
        return entry;
    }
    archive_entry_set_filetype(entry.get(), type);
    archive_entry_set_perm(entry.get(), st.st_mode & 07777);
    archive_entry_set_uid(entry.get(), st.st_uid);
    archive_entry_set_gid(entry.get(), st.st_gid);
    archive_entry_set_mtime(entry.get(), st.st_mtim.tv_sec, st.st_mtim.tv_nsec);
    archive_entry_set_atime(entry.get(), st.st_atim.tv_sec, st.st_atim.tv_nsec);
    return entry;
}

} // namespace

bool IsValidUtf8(const std::string& text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        const unsigned char c = *p;
        size_t length;
        uint32_t code;
        if (c < 0x80) {
            ++p;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            length = 2;
            code = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            code = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            code = c & 0x07;
        } else {
            return false;
        }
        if (static_cast<size_t>(end - p) < length) {
            return false;
        }
        for (size_t i = 1; i < length; ++i) {
            if ((p[i] & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (p[i] & 0x3F);
        }
        static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < kSmallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        p += length;
    }
    return true;
}

ZipWriter::ZipWriter() : m_archive(archive_write_new()) {
    m_failed = m_archive == nullptr;
}

ZipWriter::~ZipWriter() {
    if (m_archive) {
        archive_write_free(m_archive);
    }
}

Status ZipWriter::Fail() {
    m_failed = true;
    if (!m_archive) {
        return ENOMEM;
    }
    const int e = archive_errno(m_archive);
    return e > 0 ? e : EIO;
}

Status ZipWriter::Open(int fd) {
    if (m_failed) {
        return ENOMEM;
    }
    if (archive_write_set_format_zip(m_archive) != ARCHIVE_OK ||
        archive_write_set_bytes_per_block(m_archive, kBlockBytes) != ARCHIVE_OK ||
        archive_write_set_bytes_in_last_block(m_archive, 1) != ARCHIVE_OK ||
        archive_write_open_fd(m_archive, fd) != ARCHIVE_OK) {
        return Fail();
    }
    return 0;
}

Status ZipWriter::WriteHeader(archive_entry* entry, const std::string& name) {
    archive_entry_copy_pathname(entry, name.c_str());
    const locale_t headerLocale = HeaderLocale(IsValidUtf8(name));
    const locale_t previous = headerLocale ? uselocale(headerLocale) : locale_t(nullptr);
    const int result = archive_write_header(m_archive, entry);
    if (previous) {
        uselocale(previous);
    }
    return result < ARCHIVE_WARN ? Fail() : 0;
}

Status ZipWriter::AddFolder(const std::string& name, const struct stat& st) {
    if (m_failed) {
        return EIO;
    }
    EntryPtr entry = NewEntry(st, AE_IFDIR);
    if (!entry) {
        return ENOMEM;
    }
    archive_entry_set_size(entry.get(), 0);
    return WriteHeader(entry.get(), name.ends_with('/') ? name : name + '/');
}

Status ZipWriter::AddSymlink(const std::string& name, const struct stat& st,
                             const std::string& target) {
    if (m_failed) {
        return EIO;
    }
    EntryPtr entry = NewEntry(st, AE_IFLNK);
    if (!entry) {
        return ENOMEM;
    }
    archive_entry_copy_symlink(entry.get(), target.c_str());
    archive_entry_set_size(entry.get(), 0);
    return WriteHeader(entry.get(), name);
}

Status ZipWriter::BeginFile(const std::string& name, const struct stat& st, bool compress) {
    if (m_failed) {
        return EIO;
    }
    // The method applies from the next header on. (The writer's "compression"
    // option cannot change once the archive is open; these calls can.)
    if (compress != m_compressing) {
        const int set = compress ? archive_write_zip_set_compression_deflate(m_archive)
                                 : archive_write_zip_set_compression_store(m_archive);
        if (set != ARCHIVE_OK) {
            return Fail();
        }
        m_compressing = compress;
    }
    EntryPtr entry = NewEntry(st, AE_IFREG);
    if (!entry) {
        return ENOMEM;
    }
    archive_entry_set_size(entry.get(), st.st_size);
    return WriteHeader(entry.get(), name);
}

Status ZipWriter::WriteData(const char* data, size_t size) {
    if (m_failed) {
        return EIO;
    }
    while (size > 0) {
        const la_ssize_t written = archive_write_data(m_archive, data, size);
        if (written <= 0) {
            return Fail();
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return 0;
}

Status ZipWriter::Close() {
    if (m_failed) {
        return EIO;
    }
    if (archive_write_close(m_archive) != ARCHIVE_OK) {
        return Fail();
    }
    return 0;
}

} // namespace ferrolet
