#include "ServicePaths.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace ferrolet {

namespace {

std::string LastComponent(const std::string& path) {
    size_t end = path.find_last_not_of('/');
    if (end == std::string::npos) {
        return {};
    }
    const size_t slash = path.rfind('/', end);
    const size_t start = slash == std::string::npos ? 0 : slash + 1;
    return path.substr(start, end + 1 - start);
}

// The text of bytes that are valid UTF-8; nothing otherwise.
std::optional<QString> Utf8Text(const std::string& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    QString text =
        decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (decoder.hasError()) {
        return std::nullopt;
    }
    return text;
}

bool NamesFolderByLink(const std::string& path) {
    const std::string last = LastComponent(path);
    return last == "." || last == "..";
}

} // namespace

std::optional<std::string> UsableServicePath(const QString& path) {
    QStringEncoder encoder(QStringEncoder::Utf8, QStringConverter::Flag::Stateless);
    const QByteArray utf8 = encoder.encode(path);
    if (encoder.hasError() || utf8.isEmpty() || utf8.contains('\0')) {
        return std::nullopt;
    }
    std::string bytes(utf8.constData(), static_cast<size_t>(utf8.size()));
    if (bytes[0] != '/' || NamesFolderByLink(bytes)) {
        return std::nullopt;
    }
    return bytes;
}

QString ServiceArgumentPath(const std::string& argument, const std::string& workingFolder) {
    if (argument.empty() || !Utf8Text(argument)) {
        return {};
    }
    std::string path = argument;
    if (path[0] != '/') {
        if (workingFolder.empty()) {
            return {};
        }
        path = workingFolder + (workingFolder.back() == '/' ? "" : "/") + path;
    }
    if (NamesFolderByLink(path)) {
        char real[PATH_MAX + 1];
        if (realpath(path.c_str(), real)) {
            path = real;
        }
    }
    // The working folder itself may not be UTF-8.
    return Utf8Text(path).value_or(QString());
}

QStringList ArgumentPaths(int argc, char** argv, int first) {
    QStringList paths;
    const std::string workingFolder = CurrentWorkingFolder();
    for (int i = first; i < argc; ++i) {
        paths << ServiceArgumentPath(argv[i], workingFolder);
    }
    return paths;
}

std::string CurrentWorkingFolder() {
    char buffer[PATH_MAX + 1];
    return getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

} // namespace ferrolet
