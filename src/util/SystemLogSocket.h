#pragma once

#include <QByteArray>

#include <chrono>
#include <mutex>

namespace ferrolet {

// The system log's socket (/dev/log), connected once and kept for the
// life of the process, with lines sent in syslog's own format (ident
// "Ferrolet", the process id, facility user, level notice). The C library's
// syslog() would open a new connection for every line while no log daemon
// listens; here a failed connection is tried again only after a pause, and a
// daemon that restarts is reconnected to once when a send finds it gone.
class SystemLogSocket {
public:
    ~SystemLogSocket();

    // Sends one line; quietly does nothing when no log daemon listens.
    void Send(const QByteArray& line);

private:
    bool Connect();
    void Close();
    bool SendFramed(const QByteArray& line);

    std::mutex m_mutex;
    int m_fd = -1;
    bool m_stream = false; // a stream socket: each line ends with a NUL
    bool m_tried = false;
    std::chrono::steady_clock::time_point m_lastAttempt;
};

} // namespace ferrolet
