#include "engine/CallAttention.h"

namespace ralu {

CallAttention::CallAttention(AppState &state, const ReadyClient &client, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_client(client)
{
    m_ring.setInterval(2000);
    m_flash.setInterval(500);
    m_missedBlink.setInterval(500);
    connect(&m_ring, &QTimer::timeout, this, &CallAttention::ringTick);
    connect(&m_flash, &QTimer::timeout, this, &CallAttention::flashWindowRequested);
    connect(&m_missedBlink, &QTimer::timeout, this, &CallAttention::missedBlinkTick);
}

void CallAttention::callOffered(const CallOffer &offer)
{
    if (m_state.blnInTray)
        emit restoreFromTrayRequested();
    if (!m_flash.isActive())
        m_flash.start();
    // The first ring sounds one interval after the offer; a second caller
    // does not restart the ring phase.
    if (offer.taken && !m_ring.isActive())
        m_ring.start();
}

void CallAttention::callEnded(const CallEnd &end)
{
    if (end.missed) {
        setMissedIndicator(true);
        m_missedBlink.start();
    }
    stopRinging();
}

void CallAttention::stopRinging()
{
    m_ring.stop();
    m_flash.stop();
    emit flashStopped();
}

void CallAttention::stop()
{
    stopRinging();
    m_missedBlink.stop();
}

void CallAttention::ringTick()
{
    if (RtcClient *rtc = m_client.get())
        rtc->playRing(RTCRT_PHONE, true);
}

void CallAttention::missedBlinkTick()
{
    m_missedFrameRed = !m_missedFrameRed;
    emit missedIndicatorChanged(m_missedShown, m_missedFrameRed);
}

void CallAttention::acknowledgeMissedCalls()
{
    m_state.openRecentOnMissed = true;
    m_missedBlink.stop();
    setMissedIndicator(false);
}

void CallAttention::setMissedIndicator(bool shown)
{
    m_missedShown = shown;
    emit missedIndicatorChanged(m_missedShown, m_missedFrameRed);
}

} // namespace ralu
