#include "app/ProgressWording.h"

#include <array>
#include <cmath>

namespace ferrolet {

namespace {

// How each command is named while it runs; %1 is what it acts on, %2 the
// destination folder.
struct Wording {
    const char* command;    // RunReport::verb
    const char* withFolder; // when the destination is known
    const char* withoutFolder;
};

constexpr std::array<Wording, 8> kWordings{{
    {"Move To", "Moving %1 to %2", "Moving %1"},
    {"Copy To", "Copying %1 to %2", "Copying %1"},
    {"Archive To", "Archiving %1 to %2", "Archiving %1"},
    {"Alias To", "Making aliases of %1 in %2", "Making aliases of %1"},
    {"Hard Link To", "Linking %1 into %2", "Linking %1"},
    {"Wrap Items", "Wrapping %1 into %2", "Wrapping %1"},
    {"Paste Items", "Pasting %1 into %2", "Pasting %1"},
    {"Cut Items", "Cutting %1", "Cutting %1"},
}};

QString WhatItActsOn(const RunReport& report, const RunProgress& progress) {
    if (report.items == 1 && !progress.itemName.empty()) {
        return QStringLiteral("\u201C%1\u201D").arg(QString::fromStdString(progress.itemName));
    }
    return report.items == 1 ? QStringLiteral("1 item")
                             : QStringLiteral("%1 items").arg(report.items);
}

} // namespace

QString RunHeadline(const RunReport& report, const RunProgress& progress) {
    const QString what = WhatItActsOn(report, progress);
    if (report.verb == QLatin1String("Put In Its Place")) {
        return report.items == 1 ? QStringLiteral("Putting %1 in its place").arg(what)
                                 : QStringLiteral("Putting %1 in their places").arg(what);
    }
    for (const Wording& wording : kWordings) {
        if (report.verb == QLatin1String(wording.command)) {
            return report.destination.isEmpty()
                       ? QString::fromUtf8(wording.withoutFolder).arg(what)
                       : QString::fromUtf8(wording.withFolder).arg(what, report.destination);
        }
    }
    return QStringLiteral("Working on %1").arg(what);
}

QString SizeText(uint64_t bytes) {
    if (bytes < 1000) {
        return bytes == 1 ? QStringLiteral("1 byte") : QStringLiteral("%1 bytes").arg(bytes);
    }
    static constexpr std::array<const char*, 5> kUnits{"kB", "MB", "GB", "TB", "PB"};
    double value = static_cast<double>(bytes) / 1000.0;
    size_t unit = 0;
    // Rounded as shown, so 999.96 kB reads "1.0 MB", not "1000.0 kB".
    while (std::round(value * 10.0) >= 10000.0 && unit + 1 < kUnits.size()) {
        value /= 1000.0;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(QLatin1String(kUnits[unit]));
}

QString BytesOfText(uint64_t done, uint64_t total) {
    return QStringLiteral("%1 of %2").arg(SizeText(done), SizeText(total));
}

QString RateText(double bytesPerSecond) {
    return SizeText(static_cast<uint64_t>(std::max(0.0, bytesPerSecond))) + QStringLiteral("/s");
}

QString TimeLeftText(double seconds) {
    const auto whole = static_cast<long long>(std::ceil(std::max(1.0, seconds)));
    if (whole < 60) {
        return QStringLiteral("about %1 s left").arg(whole);
    }
    const long long minutes = (whole + 30) / 60;
    if (minutes < 60) {
        return QStringLiteral("about %1 min left").arg(minutes);
    }
    return QStringLiteral("about %1 h %2 min left").arg(minutes / 60).arg(minutes % 60);
}

} // namespace ferrolet
