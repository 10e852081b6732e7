#include "engine/CallEngine.h"

#include "engine/CallEndNotice.h"
#include "engine/CallerNumber.h"

namespace ralu {

CallEngine::CallEngine(AppState &state, RtcClient *client, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_client(client)
    , m_deferral([this](int tick) { runTick(tick); },
          [this](int tick) { return tick == ExitTick || timer(static_cast<EngineTimer>(tick)).isActive(); })
{
    static_assert(int(EngineTimer::Ring) == RingTick && int(EngineTimer::CallClock) == CallClockTick);
    m_ring.setInterval(2000);
    m_flash.setInterval(500);
    m_missedBlink.setInterval(500);
    m_ready.setInterval(2);
    m_connected.setInterval(1000);
    for (EngineTimer which : { EngineTimer::Ring, EngineTimer::Flash, EngineTimer::MissedBlink,
             EngineTimer::Ready, EngineTimer::CallClock })
        connect(&timer(which), &QTimer::timeout, this, [this, which] { m_deferral.arrive(int(which)); });
}

// ---------------------------------------------------------------- the call

bool CallEngine::dial(const QString &number)
{
    if (callLive())
        return false;
    // The last call's pending reset would wipe this call's number and status.
    m_ready.stop();
    m_readyDue.keepBoth();
    if (m_callState == CallState::Ringing)
        declineRingingCall();
    addRecentCall(number, 2);
    const std::string address = "sip:" + number.toStdString() + "@" + m_sipServer.toStdString();
    if (RtcClient *rtc = client())
        m_session = rtc->createSession(RTCST_PC_TO_PHONE, nullptr, m_profile, RTCCS_FORCE_PROFILE);
    if (m_session)
        m_participant = m_session->addParticipant(address, "Any Name");
    if (!m_session || !m_participant) {
        // The call never left: no in-call state to be stuck in.
        m_session.reset();
        m_participant.reset();
        m_callState = CallState::Idle;
        setIdleControls();
        setStatusText(QStringLiteral("Call failed"));
        return false;
    }
    m_callState = CallState::Placing;
    setInCallControls();
    return true;
}

void CallEngine::answer()
{
    if (m_callState == CallState::Ringing && m_session)
        m_session->answer();
}

void CallEngine::hangUp()
{
    if (!m_session)
        return;
    if (m_callState == CallState::Ringing) {
        m_session->terminate(RTCTR_BUSY);
        m_ring.stop();
    } else {
        m_session->terminate(RTCTR_NORMAL);
    }
}

bool CallEngine::sendTone(RtcDtmf digit)
{
    if (m_callState != CallState::Connected)
        return false;
    if (RtcClient *rtc = client())
        rtc->sendDTMF(digit);
    return true;
}

void CallEngine::openAudioSetup(unsigned long long windowId)
{
    if (RtcClient *rtc = client())
        rtc->invokeTuningWizard(windowId);
}

bool CallEngine::audioLevel(RtcAudioDevice device, long *level)
{
    RtcClient *rtc = client();
    return rtc && rtc->getVolume(device, level);
}

bool CallEngine::setAudioLevel(RtcAudioDevice device, long level)
{
    RtcClient *rtc = client();
    return rtc && rtc->putVolume(device, level);
}

void CallEngine::sessionStateChanged(const RtcEvent &event)
{
    const std::shared_ptr<RtcSession> &session = event.session;
    if (event.sessionState == RTCSS_INCOMING) {
        offered(session);
        return;
    }
    if (!session || session != m_session) {
        if (event.sessionState == RTCSS_DISCONNECTED)
            untakenOfferEnded(session);
        return;
    }
    switch (event.sessionState) {
    case RTCSS_IDLE:
        setStatusText(QStringLiteral("IDLE"));
        break;
    case RTCSS_ANSWERING:
        m_callState = CallState::Answering;
        m_ring.stop();
        stopFlash();
        break;
    case RTCSS_INPROGRESS:
        m_callState = CallState::InProgress;
        m_calling = true;
        setLoginButtonsEnabled(false);
        setStatusText(QStringLiteral("Inprogress"));
        break;
    case RTCSS_CONNECTED:
        // A call connects once: a resume after hold is no new call.
        if (m_callState != CallState::Connected)
            connected();
        break;
    case RTCSS_DISCONNECTED:
        disconnected(event.callEnd);
        break;
    default:
        break;
    }
}

void CallEngine::offered(const std::shared_ptr<RtcSession> &session)
{
    if (m_state.blnInTray)
        emit restoreFromTrayRequested();
    QString number;
    std::shared_ptr<RtcParticipant> caller;
    const auto participants
        = session ? session->participants() : std::vector<std::shared_ptr<RtcParticipant>> {};
    if (participants.size() == 1) {
        caller = participants.front();
        // Where a caller's number enters: from here on it is safe to show and log.
        number = CallerNumber::fromAddress(QString::fromStdString(caller->userUri()));
    }
    if (callLive()) {
        // A call under way is never displaced. Nobody could answer this one,
        // so its caller hears busy at once instead of ringing on.
        if (!m_flash.isActive())
            m_flash.start();
        declineOffer(session, number);
        return;
    }
    if (m_callState == CallState::Ringing && m_session && m_session != session) {
        // A later offer replaces one still ringing; the first is declined.
        declineOffer(std::exchange(m_session, {}), m_callerNo);
    }
    m_callState = CallState::Ringing;
    if (!m_flash.isActive())
        m_flash.start();
    if (!m_ring.isActive()) // a second caller does not restart the ring phase
        m_ring.start();
    m_session = session;
    if (caller) {
        m_participant = caller;
        m_callerNo = number;
        setStatusText(QStringLiteral("Incoming: ") + m_callerNo);
    }
}

void CallEngine::declineOffer(const std::shared_ptr<RtcSession> &session, const QString &number)
{
    if (!session)
        return;
    m_untakenOffers[session.get()] = { session, number };
    session->terminate(RTCTR_BUSY);
}

void CallEngine::declineRingingCall()
{
    // Dialing over a call ringing in: the caller hears busy, the call is
    // logged missed now, and ringing stops before the new call starts.
    const std::shared_ptr<RtcSession> offer = std::exchange(m_session, {});
    m_participant.reset();
    m_callState = CallState::Idle;
    m_ring.stop();
    stopFlash();
    addRecentCall(m_callerNo, 0);
    if (offer)
        offer->terminate(RTCTR_BUSY); // its end is nobody's current call
}

void CallEngine::untakenOfferEnded(const std::shared_ptr<RtcSession> &session)
{
    auto it = m_untakenOffers.find(session.get());
    if (!session || it == m_untakenOffers.end())
        return;
    const QString number = it->second.second;
    m_untakenOffers.erase(it);
    addRecentCall(number, 0);
    // Stop drawing attention once no offer is left ringing.
    if (m_untakenOffers.empty() && !incoming())
        stopFlash();
}

void CallEngine::connected()
{
    const bool wasIncoming = incoming();
    m_callState = CallState::Connected;
    stopFlash();
    setLoginButtonsEnabled(false);
    if (m_ring.isActive())
        m_ring.stop();
    setStatusText(QStringLiteral("Connected"));
    runQuery(m_queryCreditTime);
    m_clock.resetElapsed();
    m_connected.start();
    setInCallControls();
    if (wasIncoming)
        addRecentCall(m_callerNo, 1);
    updateBalance();
}

void CallEngine::disconnected(RtcCallEnd end)
{
    if (incoming()) {
        setMissedIndicator(true);
        m_missedBlink.start();
        m_connected.stop();
        addRecentCall(m_callerNo, 0);
    }
    m_callState = CallState::Idle;
    setLoginButtonsEnabled(true);
    setCallTimeText(QString());
    stopFlash();
    if (m_ring.isActive())
        m_ring.stop();
    m_calling = false;
    updateBalance();
    m_session.reset();
    m_participant.reset();
    const CallEndNotice notice = CallEndNotice::of(end);
    setStatusText(notice.text);
    setIdleControls();
    startReady(notice.shownMs);
    focusNumberBox();
}

void CallEngine::stopFlash()
{
    m_flash.stop();
    emit flashStopped();
}

void CallEngine::addRecentCall(const QString &number, int kind)
{
    if (m_addRecentCall)
        m_addRecentCall(number, kind);
}

// ------------------------------------------------------------------ timers

QTimer &CallEngine::timer(EngineTimer which)
{
    return const_cast<QTimer &>(static_cast<const CallEngine *>(this)->timer(which));
}

const QTimer &CallEngine::timer(EngineTimer which) const
{
    switch (which) {
    case EngineTimer::Ring:
        return m_ring;
    case EngineTimer::Flash:
        return m_flash;
    case EngineTimer::MissedBlink:
        return m_missedBlink;
    case EngineTimer::Ready:
        return m_ready;
    case EngineTimer::CallClock:
        break;
    }
    return m_connected;
}

bool CallEngine::isRunning(EngineTimer which) const
{
    return timer(which).isActive();
}

int CallEngine::intervalOf(EngineTimer which) const
{
    return timer(which).interval();
}

void CallEngine::runTick(int tick)
{
    switch (tick) {
    case RingTick:
        ringTick();
        break;
    case FlashTick:
        emit flashWindowRequested();
        break;
    case MissedBlinkTick:
        missedBlinkTick();
        break;
    case ReadyTick:
        readyTick();
        break;
    case CallClockTick:
        callClockTick();
        break;
    case ExitTick:
        exitProgram();
        break;
    }
}

void CallEngine::ringTick()
{
    if (RtcClient *rtc = client())
        rtc->playRing(RTCRT_PHONE, true);
}

void CallEngine::callClockTick()
{
    m_clock.tick();
    setCallTimeText(m_clock.elapsedText());
    setAccountTimeText(m_clock.remainingText());
}

void CallEngine::missedBlinkTick()
{
    m_missedFrameRed = !m_missedFrameRed;
    emit missedIndicatorChanged(m_missedShown, m_missedFrameRed);
}

void CallEngine::acknowledgeMissedCalls()
{
    m_state.openRecentOnMissed = true;
    m_missedBlink.stop();
    setMissedIndicator(false);
}

void CallEngine::setMissedIndicator(bool shown)
{
    m_missedShown = shown;
    emit missedIndicatorChanged(m_missedShown, m_missedFrameRed);
}

// ---------------------------------------------------------------- controls

void CallEngine::setIdleControls()
{
    m_inCallControls = false;
    m_connected.stop();
    emit controlsChanged(false);
}

void CallEngine::setInCallControls()
{
    m_inCallControls = true;
    emit controlsChanged(true);
}

void CallEngine::updateBalance()
{
    runQuery(m_updateBalance);
}

void CallEngine::runQuery(const std::function<void()> &query)
{
    // Most queries run inside the client's event handler, where the client
    // delivers nothing anyway; the hold covers those made outside it.
    RtcClient *const rtc = m_client;
    m_deferral.runQuery(
        query,
        [rtc] {
            if (rtc)
                rtc->holdEvents();
        },
        [rtc] {
            if (rtc)
                rtc->releaseEvents();
        });
}

} // namespace ralu
