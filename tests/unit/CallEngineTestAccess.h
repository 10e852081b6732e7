// The test seam of the call engine's parts: their timers (a tick as its
// timeout would deliver it, a start, a shorter interval, whether it runs),
// and what only tests look at (the client's session, the profile text, the
// clock, the missed-call indicator). Nothing else reaches into the engine.
#pragma once

#include "engine/CallEngine.h"

namespace ralu {

class CallEngineTestAccess {
public:
    static void tick(CallEngine &engine, EngineTimer which)
    {
        switch (which) {
        case EngineTimer::Ring:
            engine.attention().ringTick();
            break;
        case EngineTimer::Flash:
            emit engine.attention().flashWindowRequested();
            break;
        case EngineTimer::MissedBlink:
            engine.attention().missedBlinkTick();
            break;
        case EngineTimer::Ready:
            engine.presenter().readyTick();
            break;
        case EngineTimer::CallClock:
            engine.presenter().callClockTick();
            break;
        }
    }
    // The ready timer starts as a call's end starts it, with both its resets due.
    static void start(CallEngine &engine, EngineTimer which)
    {
        which == EngineTimer::Ready ? engine.presenter().startReady(engine.presenter().m_ready.interval())
                                    : timer(engine, which).start();
    }
    static void setInterval(CallEngine &engine, EngineTimer which, int ms)
    {
        timer(engine, which).setInterval(ms);
    }
    static int remaining(CallEngine &engine, EngineTimer which)
    {
        return timer(engine, which).remainingTime();
    }
    static bool isRunning(CallEngine &engine, EngineTimer which) { return timer(engine, which).isActive(); }
    static int intervalOf(CallEngine &engine, EngineTimer which) { return timer(engine, which).interval(); }

    static const RtcSession *currentSession(const CallEngine &engine)
    {
        return engine.session().m_session.get();
    }
    static bool hasParticipant(const CallEngine &engine) { return engine.session().m_participant != nullptr; }
    static const QString &xmlProfile(const CallEngine &engine) { return engine.registration().m_xmlProfile; }
    static bool hasProfile(const CallEngine &engine) { return engine.registration().m_profile != nullptr; }
    static CallClock &callClock(CallEngine &engine) { return engine.presenter().m_clock; }
    static const QString &callerNumber(const CallEngine &engine) { return engine.session().m_callerNo; }
    static const QString &accountLabel(const CallEngine &engine) { return engine.presenter().m_accountLabel; }
    static const QString &callTimeText(const CallEngine &engine) { return engine.presenter().m_callTime; }
    static const QString &accountTimeText(const CallEngine &engine)
    {
        return engine.presenter().m_accountTime;
    }
    static bool inCallControls(const CallEngine &engine) { return engine.presenter().m_inCallControls; }
    static bool loginButtonsEnabled(const CallEngine &engine)
    {
        return engine.presenter().m_loginButtonsEnabled;
    }
    static bool missedIndicatorShown(CallEngine &engine) { return engine.attention().m_missedShown; }
    static bool missedFrameRed(CallEngine &engine) { return engine.attention().m_missedFrameRed; }

private:
    static QTimer &timer(CallEngine &engine, EngineTimer which)
    {
        switch (which) {
        case EngineTimer::Ring:
            return engine.attention().m_ring;
        case EngineTimer::Flash:
            return engine.attention().m_flash;
        case EngineTimer::MissedBlink:
            return engine.attention().m_missedBlink;
        case EngineTimer::Ready:
            return engine.presenter().m_ready;
        case EngineTimer::CallClock:
            break;
        }
        return engine.presenter().m_connected;
    }
};

} // namespace ralu
