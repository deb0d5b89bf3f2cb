#pragma once

#include <fstream>
#include <string>
#include <sys/stat.h>

namespace ferrolet::test {

// Writes a shell script and makes it executable; returns its path.
inline std::string WriteScript(const std::string& path, const std::string& body,
                               mode_t mode = 0755) {
    std::ofstream(path, std::ios::binary) << "#!/bin/sh\n" << body << "\n";
    chmod(path.c_str(), mode);
    return path;
}

} // namespace ferrolet::test
