#include "util/SystemLogSocket.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace ferrolet {

namespace {

constexpr const char* kSocketPath = "/dev/log";
// How long after a failed connection the next line tries again.
constexpr std::chrono::seconds kRetryPause{10};
// LOG_USER | LOG_NOTICE.
constexpr int kPriority = (1 << 3) | 5;

// "<13>Dec  6 19:40:18 Ferrolet[1234]: " as syslog() writes it: the month
// in English whatever the locale, the day padded with a blank.
QByteArray Header() {
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char header[64];
    std::snprintf(header, sizeof header, "<%d>%s %2d %02d:%02d:%02d Ferrolet[%d]: ", kPriority,
                  months[local.tm_mon % 12], local.tm_mday, local.tm_hour, local.tm_min,
                  local.tm_sec, static_cast<int>(getpid()));
    return QByteArray(header);
}

int ConnectSocket(int type) {
    const int fd = socket(AF_UNIX, type | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return -1;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", kSocketPath);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int e = errno;
        close(fd);
        errno = e;
        return -1;
    }
    return fd;
}

} // namespace

SystemLogSocket::~SystemLogSocket() {
    Close();
}

bool SystemLogSocket::Connect() {
    const auto now = std::chrono::steady_clock::now();
    if (m_tried && now - m_lastAttempt < kRetryPause) {
        return false;
    }
    m_tried = true;
    m_lastAttempt = now;
    m_stream = false;
    m_fd = ConnectSocket(SOCK_DGRAM);
    if (m_fd < 0 && errno == EPROTOTYPE) {
        m_stream = true;
        m_fd = ConnectSocket(SOCK_STREAM);
    }
    return m_fd >= 0;
}

void SystemLogSocket::Close() {
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
}

bool SystemLogSocket::SendFramed(const QByteArray& line) {
    QByteArray message = Header() + line;
    if (m_stream) {
        message.append('\0');
    }
    return send(m_fd, message.constData(), static_cast<size_t>(message.size()), MSG_NOSIGNAL) >= 0;
}

void SystemLogSocket::Send(const QByteArray& line) {
    std::lock_guard lock(m_mutex);
    if (m_fd < 0 && !Connect()) {
        return;
    }
    if (SendFramed(line)) {
        return;
    }
    // The daemon restarted (or went away): one new connection, at once.
    Close();
    m_tried = false;
    if (Connect()) {
        SendFramed(line);
    }
}

} // namespace ferrolet
