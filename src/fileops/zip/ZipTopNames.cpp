#include "fileops/zip/ZipTopNames.h"

#include "items/ItemNames.h"

#include <set>

namespace ferrolet {

namespace {

// "<base> <n>.<extension>" for name.
std::string NumberedName(const std::string& name, int n) {
    const size_t dot = ExtensionDot(name);
    const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    return base + ' ' + std::to_string(n) + extension;
}

} // namespace

std::vector<std::string> UniqueTopNames(const std::vector<std::string>& names) {
    // Every original name is reserved first, so a numbered name never takes
    // the name a later item has of its own.
    std::set<std::string> taken(names.begin(), names.end());
    std::set<std::string> given;
    std::vector<std::string> result;
    result.reserve(names.size());
    for (const std::string& name : names) {
        if (given.insert(name).second) {
            result.push_back(name);
            continue;
        }
        std::string unique;
        for (int n = 2;; ++n) {
            unique = NumberedName(name, n);
            if (!taken.count(unique) && !given.count(unique)) {
                break;
            }
        }
        given.insert(unique);
        result.push_back(unique);
    }
    return result;
}

} // namespace ferrolet
