#pragma once

#include "fileops/commands/RunProgress.h"
#include "fileops/commands/RunReport.h"

#include <QString>

#include <cstdint>

namespace ferrolet {

// The texts of the progress window, made from what the run knows.

// What the run does, in the words of its command: "Moving 3 items to
// Projects", "Copying “big.iso” to Backup", "Putting 4 items in their places".
QString RunHeadline(const RunReport& report, const RunProgress& progress);

// A size in decimal units as file managers show it: "512 bytes", "1.2 MB".
QString SizeText(uint64_t bytes);

// "1.2 MB of 3.4 MB".
QString BytesOfText(uint64_t done, uint64_t total);

// "12.3 MB/s".
QString RateText(double bytesPerSecond);

// "about 5 s left", "about 3 min left", "about 2 h 10 min left".
QString TimeLeftText(double seconds);

} // namespace ferrolet
