#include "CommandFixture.h"

#include <algorithm>
#include <filesystem>

namespace ferrolet::test {

std::vector<std::string> CommandTest::Names(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

QStringList CommandTest::LinesStartingWith(const QString& prefix) const {
    QStringList lines;
    for (const QString& line : LogLines()) {
        if (line.startsWith(prefix)) {
            lines.append(line);
        }
    }
    return lines;
}

} // namespace ferrolet::test
