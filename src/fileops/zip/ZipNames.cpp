#include "fileops/zip/ZipNames.h"

#include <algorithm>
#include <cstdint>

namespace ferrolet {

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

bool NeedsUtf8Mark(const std::string& name) {
    const bool plainAscii =
        std::all_of(name.begin(), name.end(), [](char c) { return (c & 0x80) == 0; });
    return !plainAscii && IsValidUtf8(name);
}

} // namespace ferrolet
