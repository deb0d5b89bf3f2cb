#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

namespace ferrolet {

// Runs service requests one at a time, from the event loop. A request may
// show a modal folder dialog, whose nested event loop lets further requests
// arrive; they wait their turn instead of running inside the first one, so
// no two requests ever act on the selection at once.
class ServiceRequestQueue : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(const QStringList& paths, const QString& userData)>;
    using Finished = std::function<void()>;

    explicit ServiceRequestQueue(Handler handler, QObject* parent = nullptr);

    // Queues a request; finished is called once it has run.
    void Enqueue(QStringList paths, QString userData, Finished finished = {});

    // While busy() holds (a command of the application's own is running and
    // turning the event loop), requests wait instead of running inside it.
    void WaitWhile(std::function<bool()> busy) { m_busy = std::move(busy); }

    // Requests waiting, not counting the one running.
    size_t Waiting() const { return m_waiting.size(); }
    bool Running() const { return m_running; }

private:
    struct Request {
        QStringList paths;
        QString userData;
        Finished finished;
    };

    void RunWaiting();

    Handler m_handler;
    std::function<bool()> m_busy;
    std::deque<Request> m_waiting;
    bool m_running = false;
};

} // namespace ferrolet
