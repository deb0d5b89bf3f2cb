#pragma once

#include <array>
#include <string>
#include <string_view>

namespace ferrolet::test {

// File names that break code which pastes names into text, decodes them,
// splits them or trusts their length. Every layer that takes names (the file
// engine, the commands, the zip writer, the menus, the services, the
// generated context-menu files) runs its own check over this one table.
struct HostileName {
    std::string_view why; // what a careless layer does with it
    std::string name;     // one path component, never "." or ".." or with '/'
    bool utf8;            // false where a layer must keep raw bytes
};

inline const std::array<HostileName, 10>& HostileNames() {
    static const std::array<HostileName, 10> names{{
        {"a line break splits line-based lists", "line\nbreak.txt", true},
        {"quotes end a quoted shell word", "quote\"d 'single'.txt", true},
        {"command substitution and globs in a shell", "-dash $(echo no) `x` *", true},
        {"leading and trailing spaces are trimmed", " space ", true},
        {"bytes that are not UTF-8", "bad\xff\xfeutf8", false},
        {"a percent sign and a backslash in URIs and printf", "100% \\x41 %s.txt", true},
        {"a two-byte character cut at a byte limit", "caf\xc3\xa9 \xc3\xa9t\xc3\xa9.txt", true},
        {"a four-byte character (emoji)", "\xf0\x9f\x93\x81 folder", true},
        {"a hash starts a comment in uri-lists and desktop files", "#hash; semi=colon", true},
        {"a leading dot hides the item and looks like an option", ".hidden -rf", true},
    }};
    return names;
}

// A name of exactly 255 bytes (the file-system limit) ending in an extension,
// for code that adds to a name.
inline std::string LongestName(std::string_view extension = ".txt") {
    return std::string(255 - extension.size(), 'n') + std::string(extension);
}

} // namespace ferrolet::test
