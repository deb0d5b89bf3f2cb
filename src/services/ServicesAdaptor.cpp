#include "ServicesAdaptor.h"

#include <utility>

namespace ferrolet {

ServicesAdaptor::ServicesAdaptor(QObject* root, QDBusConnection bus,
                                 ServiceRequestQueue::Handler handler)
    : QDBusAbstractAdaptor(root), m_bus(std::move(bus)), m_queue(std::move(handler)) {}

void ServicesAdaptor::HandleMenuSelection(const QStringList& paths, const QString& userData,
                                          const QDBusMessage& message) {
    message.setDelayedReply(true);
    // A caller that has gone by then makes the reply undeliverable, which
    // the bus drops; the request itself still runs.
    if (!message.isReplyRequired()) {
        m_queue.Enqueue(paths, userData);
        return;
    }
    m_queue.Enqueue(paths, userData, [this, reply = message.createReply()] { m_bus.send(reply); });
}

} // namespace ferrolet
