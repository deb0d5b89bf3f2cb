#include "items/UniqueName.h"

#include "items/FolderItems.h"
#include "items/ItemAccess.h"
#include "items/ItemNames.h"

namespace ferrolet {

namespace {
// Length of the valid UTF-8 sequence starting at text[i], or 1 when the byte
// there starts none.
size_t SequenceLength(const std::string& text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    size_t length = 1;
    unsigned int minimum = 0;
    unsigned int code = 0;
    if (lead < 0x80) {
        return 1;
    }
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        minimum = 0x80;
        code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        minimum = 0x800;
        code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        minimum = 0x10000;
        code = lead & 0x07;
    } else {
        return 1;
    }
    if (i + length > text.size()) {
        return 1;
    }
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            return 1;
        }
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return 1;
    }
    return length;
}
} // namespace

std::string TruncateAtCharacterBoundary(const std::string& text, size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    size_t end = 0;
    while (end < text.size()) {
        const size_t next = end + SequenceLength(text, end);
        if (next > maxBytes) {
            break;
        }
        end = next;
    }
    return text.substr(0, end);
}

std::string UniqueNameFromName(const std::string& name, const std::string& uuid) {
    static const std::string kSeparator = " - ";
    std::string base = name;
    std::string extension;
    const size_t dot = ExtensionDot(name);
    // An extension is kept beside the UUID only when at least one byte of
    // the base still fits with it.
    if (dot != std::string::npos &&
        kSeparator.size() + uuid.size() + 1 + (name.size() - dot - 1) < kMaxNameBytes) {
        base = name.substr(0, dot);
        extension = name.substr(dot + 1);
    }
    const size_t tailBytes = uuid.size() + (extension.empty() ? 0 : 1 + extension.size());
    if (!base.empty()) {
        base = TruncateAtCharacterBoundary(base, kMaxNameBytes - tailBytes - kSeparator.size());
    }
    std::string unique = base;
    if (!unique.empty()) {
        unique += kSeparator;
    }
    unique += uuid;
    if (!extension.empty()) {
        unique += '.';
        unique += extension;
    }
    return unique;
}

std::optional<std::string> MakeUniqueName(const FileRef& destinationFolder, const FileRef& item) {
    const std::optional<std::string> name = ItemFileName(item);
    if (!name || !LookUpChild(destinationFolder, *name)) {
        return std::nullopt;
    }
    return UniqueNameFromName(*name, NewUUIDString());
}

} // namespace ferrolet
