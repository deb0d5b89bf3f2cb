#include "filemanager/SelectionLine.h"

namespace ferrolet {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

// Decodes %XX escapes. A malformed escape or an escaped NUL makes the whole
// specifier invalid rather than guessing at what was meant.
Status PercentDecode(std::string_view encoded, std::string& decoded) {
    decoded.clear();
    decoded.reserve(encoded.size());
    for (size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c != '%') {
            decoded += c;
            continue;
        }
        if (i + 2 >= encoded.size()) {
            return EINVAL;
        }
        const int hi = HexValue(encoded[i + 1]);
        const int lo = HexValue(encoded[i + 2]);
        if (hi < 0 || lo < 0 || (hi == 0 && lo == 0)) {
            return EINVAL;
        }
        decoded += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return 0;
}

// The path part of a file URI: "file:///p", "file://localhost/p" or "file:/p".
// Query and fragment are not part of the path.
Status FileUriPath(std::string_view uri, std::string& path) {
    std::string_view rest = uri.substr(5); // after "file:"
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const size_t slash = rest.find('/');
        if (slash == std::string_view::npos) {
            return EINVAL;
        }
        const std::string_view host = rest.substr(0, slash);
        if (!host.empty() && !(host.size() == 9 && StartsWithNoCase(host, "localhost"))) {
            return EINVAL; // an item on another machine is not ours to reach
        }
        rest.remove_prefix(slash);
    }
    if (!rest.starts_with('/')) {
        return EINVAL;
    }
    rest = rest.substr(0, rest.find_first_of("?#"));
    return PercentDecode(rest, path);
}

} // namespace

Status DecodeItemSpecifier(std::string_view line, std::string& path) {
    path.clear();
    if (line.find('\0') != std::string_view::npos) {
        return EINVAL;
    }
    if (line.starts_with('/')) {
        path.assign(line);
        return 0;
    }
    if (!StartsWithNoCase(line, "file:")) {
        return EINVAL;
    }
    const Status st = FileUriPath(line, path);
    if (st != 0 || path.empty() || path[0] != '/') {
        path.clear();
        return EINVAL;
    }
    return 0;
}

Status ResolveSelectionLine(std::string_view specifier, FileRef& alias) {
    alias = FileRef();
    std::string path;
    if (const Status st = DecodeItemSpecifier(specifier, path); st != 0) {
        return st;
    }
    return FileRef::FromPath(path, alias, FileRef::Leaf::NoFollow);
}

} // namespace ferrolet
