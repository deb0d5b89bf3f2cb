#include "ServiceRequestQueue.h"

#include <QTimer>

#include <malloc.h>

namespace ferrolet {

namespace {
constexpr int kBusyRetryMs = 100;
} // namespace

ServiceRequestQueue::ServiceRequestQueue(Handler handler, QObject* parent)
    : QObject(parent), m_handler(std::move(handler)) {}

void ServiceRequestQueue::Enqueue(QStringList paths, QString userData, Finished finished) {
    m_waiting.push_back(Request{std::move(paths), std::move(userData), std::move(finished)});
    // Never run inside the caller (a bus dispatch, or a dialog's nested
    // loop): the event loop starts the turn.
    QTimer::singleShot(0, this, &ServiceRequestQueue::RunWaiting);
}

void ServiceRequestQueue::RunWaiting() {
    if (m_running) {
        return; // the running turn takes this request when it is done
    }
    if (m_busy && m_busy()) {
        // Looked at again shortly; the command's end has no signal of its own.
        QTimer::singleShot(kBusyRetryMs, this, &ServiceRequestQueue::RunWaiting);
        return;
    }
    m_running = true;
    while (!m_waiting.empty()) {
        {
            Request request = std::move(m_waiting.front());
            m_waiting.pop_front();
            if (m_handler) {
                m_handler(request.paths, request.userData);
            }
            if (request.finished) {
                request.finished();
            }
        }
        // A request's paths and what it built are freed by now; hand the
        // pages back, or the tray keeps the peak of its largest request.
        malloc_trim(0);
    }
    m_running = false;
}

} // namespace ferrolet
