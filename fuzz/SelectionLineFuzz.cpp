// Feeds arbitrary bytes to the selection-line reader: first as one line to
// the decoder, whose answers must name an absolute path or nothing, then as
// the whole output of a selection script. The file system is only looked at
// (lstat), never changed.
#include "filemanager/Selection.h"
#include "filemanager/SelectionLine.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <utility>

namespace {

// The text/uri-list form of a path: everything but unreserved bytes and "/"
// escaped, as file managers write it.
std::string FileUri(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string out = "file://";
    for (const unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '-' || c == '_' || c == '.' ||
                           c == '~';
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// The item lines as the selection reader must see them.
size_t CountItemLines(std::string_view output) {
    size_t count = 0;
    while (!output.empty()) {
        const size_t end = output.find('\n');
        std::string_view line = output.substr(0, end);
        output = end == std::string_view::npos ? std::string_view() : output.substr(end + 1);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (!line.empty() && !line.starts_with('#')) {
            ++count;
        }
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    std::string path;
    if (ferrolet::DecodeItemSpecifier(input, path) == 0) {
        // An accepted line names an absolute path without NUL bytes.
        if (path.empty() || path[0] != '/' || path.find('\0') != std::string::npos) {
            __builtin_trap();
        }
        // An absolute path is taken as it stands, never decoded.
        if (input.starts_with('/') && path != input) {
            __builtin_trap();
        }
        // The URI a file manager would write for that path leads back to it.
        std::string again;
        if (ferrolet::DecodeItemSpecifier(FileUri(path), again) != 0 || again != path) {
            __builtin_trap();
        }
    } else if (!path.empty()) {
        __builtin_trap(); // a refused line gives no path
    }

    // The same bytes as a script's output: one slot per item line, and no
    // item in two slots.
    if (size > 64 * 1024) {
        return 0;
    }
    const auto items = ferrolet::SelectionFromScriptOutput(input);
    const size_t lines = CountItemLines(input);
    if (!items) {
        if (lines != 0) {
            __builtin_trap();
        }
        return 0;
    }
    if (items->size() != lines) {
        __builtin_trap();
    }
    std::set<std::pair<dev_t, ino_t>> seen;
    for (const ferrolet::FileRef& ref : *items) {
        if (ref.IsValid() && !seen.insert({ref.Device(), ref.Inode()}).second) {
            __builtin_trap();
        }
    }
    return 0;
}
