#include "Log.h"

#include <cstdio>
#include <mutex>
#include <syslog.h>

namespace ferrolet {

namespace {
std::mutex g_sinkMutex;
LogSink g_sink;

void SystemLog(const QString& line) {
    static std::once_flag opened;
    std::call_once(opened, [] { openlog("Ferrolet", LOG_PID, LOG_USER); });
    const QByteArray utf8 = line.toUtf8();
    syslog(LOG_NOTICE, "%s", utf8.constData());
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
