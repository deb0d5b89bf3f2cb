#pragma once

#include <string>
#include <vector>

namespace ferrolet::test {

// Splits a desktop entry's Exec= value into arguments as a launcher does:
// spaces separate, double quotes group, a backslash in quotes escapes the
// next character. Field codes such as %F stay as they are.
inline std::vector<std::string> SplitExec(const std::string& exec) {
    std::vector<std::string> args;
    std::string current;
    bool inQuotes = false;
    bool started = false;
    for (size_t i = 0; i < exec.size(); ++i) {
        const char c = exec[i];
        if (inQuotes && c == '\\' && i + 1 < exec.size()) {
            current += exec[++i];
        } else if (c == '"') {
            inQuotes = !inQuotes;
            started = true;
        } else if (c == ' ' && !inQuotes) {
            if (started) {
                args.push_back(current);
            }
            current.clear();
            started = false;
        } else {
            current += c;
            started = true;
        }
    }
    if (started) {
        args.push_back(current);
    }
    return args;
}

} // namespace ferrolet::test
