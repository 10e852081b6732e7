#include "sip/RtcEventQueue.h"

#include <QMetaObject>
#include <QPointer>

namespace ralu {

namespace {

long filterBit(RtcEventType type)
{
    switch (type) {
    case RTCE_CLIENT:
        return RTCEF_CLIENT;
    case RTCE_REGISTRATION_STATE_CHANGE:
        return RTCEF_REGISTRATION_STATE_CHANGE;
    case RTCE_SESSION_STATE_CHANGE:
        return RTCEF_SESSION_STATE_CHANGE;
    case RTCE_SESSION_OPERATION_COMPLETE:
        return RTCEF_SESSION_OPERATION_COMPLETE;
    case RTCE_PARTICIPANT_STATE_CHANGE:
        return RTCEF_PARTICIPANT_STATE_CHANGE;
    case RTCE_MEDIA:
        return RTCEF_MEDIA;
    case RTCE_SESSION_REFER_STATUS:
        return RTCEF_SESSION_REFER_STATUS;
    }
    return 0;
}

} // namespace

RtcEventQueue::RtcEventQueue(QObject *parent)
    : QObject(parent)
{
}

void RtcEventQueue::setHandler(RtcEventHandler handler)
{
    m_handler = std::move(handler);
    resume();
}

void RtcEventQueue::push(RtcEvent event)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_queue.push_back(std::move(event));
    }
    // Also for events queued from inside answer(), terminate()...: delivered
    // from the event loop, never from inside the call.
    scheduleDelivery();
}

void RtcEventQueue::clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_queue.clear();
}

bool RtcEventQueue::empty() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_queue.empty();
}

bool RtcEventQueue::takeBackLast(const std::function<bool(const RtcEvent &)> &match)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_queue.rbegin(); it != m_queue.rend(); ++it) {
        if (match(*it)) {
            m_queue.erase(std::next(it).base());
            return true;
        }
    }
    return false;
}

void RtcEventQueue::resume()
{
    if (!empty())
        scheduleDelivery();
}

void RtcEventQueue::scheduleDelivery()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_deliveryScheduled)
            return;
        m_deliveryScheduled = true;
    }
    // Posted to this object's thread, whichever thread pushed.
    QMetaObject::invokeMethod(
        this,
        [this] {
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_deliveryScheduled = false;
            }
            deliverOne();
        },
        Qt::QueuedConnection);
}

void RtcEventQueue::deliverOne()
{
    // Never while the handler runs: a nested event loop inside it (a modal
    // message box) keeps iterating, and its events wait for the handler to
    // return.
    if (m_inHandler)
        return;
    RtcEvent e;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_queue.empty())
            return;
        e = std::move(m_queue.front());
        m_queue.pop_front();
    }
    if (m_onDelivery)
        m_onDelivery(e);

    if (m_handler && (m_filter & filterBit(e.type))) {
        QPointer<RtcEventQueue> alive(this);
        const RtcEventHandler handler = m_handler; // the handler may replace itself
        m_inHandler = true;
        handler(e.type, e);
        if (!alive)
            return; // the handler shut the client down
        m_inHandler = false;
    }
    // The rest, one per event-loop turn.
    resume();
}

} // namespace ralu
