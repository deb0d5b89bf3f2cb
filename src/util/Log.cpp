#include "Log.h"

#include "util/SystemLogSocket.h"

#include <cstdio>
#include <mutex>

namespace ferrolet {

namespace {
std::mutex g_sinkMutex;
LogSink g_sink;

void SystemLog(const QString& line) {
    // One connection for the whole process, not one per line; never
    // destroyed, so lines logged while the process ends still go out.
    static auto* systemLog = new SystemLogSocket;
    const QByteArray utf8 = line.toUtf8();
    systemLog->Send(utf8);
    std::fprintf(stderr, "%s\n", utf8.constData());
    std::fflush(stderr);
}
} // namespace

void Log(const QString& line) {
    LogSink sink;
    {
        std::lock_guard lock(g_sinkMutex);
        sink = g_sink;
    }
    if (sink) {
        sink(line);
    } else {
        SystemLog(line);
    }
}

void SetLogSink(LogSink sink) {
    std::lock_guard lock(g_sinkMutex);
    g_sink = std::move(sink);
}

} // namespace ferrolet
