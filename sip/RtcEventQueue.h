// The road from the SIP stack to the application's one event handler.
//
// Liblinphone reports changes on its core thread (and sometimes from
// inside accept()/terminate()). The handler is never called from there:
// events are queued and delivered from the event loop, one per turn, in the
// order they were queued, never while the handler is still running (a modal
// dialog opened by the handler runs a nested event loop during which the
// core keeps iterating; delivery waits for the handler to return).
//
// push() and takeBackLast() may be called from any thread (the SIP stack runs
// on a thread of its own); the queue keeps the order in which events were
// pushed, and the handler always runs on the queue's own (event-loop) thread.
//
// Qt only: no SIP stack behind it, so it is tested on its own.
#pragma once

#include "engine/RtcClient.h"

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

namespace ralu {

class RtcEventQueue : public QObject {
    Q_OBJECT
public:
    explicit RtcEventQueue(QObject *parent = nullptr);

    void setHandler(RtcEventHandler handler);
    // RTCEF_* bits: an event whose bit is clear is dropped at delivery.
    void setFilter(long filter) { m_filter = filter; }
    long filter() const { return m_filter; }
    // Runs for every event as it leaves the queue, filtered or not, just
    // before the handler sees it (the adapter records the delivered state).
    void setOnDelivery(std::function<void(const RtcEvent &)> hook) { m_onDelivery = std::move(hook); }

    void push(RtcEvent event);
    // Takes back the latest queued event that matches, if it is still
    // waiting. True when one was taken back.
    bool takeBackLast(const std::function<bool(const RtcEvent &)> &match);
    // Asks for a delivery turn when events wait (when the caller suspects a
    // turn was skipped); harmless otherwise.
    void resume();
    void clear();
    bool empty() const;

private:
    void scheduleDelivery();
    void deliverOne();

    RtcEventHandler m_handler;
    std::function<void(const RtcEvent &)> m_onDelivery;
    long m_filter = RTCEF_CLIENT | RTCEF_REGISTRATION_STATE_CHANGE | RTCEF_SESSION_STATE_CHANGE
        | RTCEF_SESSION_OPERATION_COMPLETE | RTCEF_PARTICIPANT_STATE_CHANGE | RTCEF_MEDIA;
    mutable std::mutex m_mutex; // m_queue and m_deliveryScheduled
    std::deque<RtcEvent> m_queue;
    bool m_deliveryScheduled = false;
    bool m_inHandler = false;
};

} // namespace ralu
