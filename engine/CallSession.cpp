#include "engine/CallSession.h"

#include "engine/CallerNumber.h"

#include <algorithm>

namespace ralu {

CallSession::CallSession(const ReadyClient &client, const Registration &registration)
    : m_client(client)
    , m_registration(registration)
{
}

void CallSession::addListener(CallListener *listener)
{
    m_listeners.push_back(listener);
}

void CallSession::removeListener(CallListener *listener)
{
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener), m_listeners.end());
}

template <typename Event, typename... Args> void CallSession::tell(Event event, const Args &...args)
{
    // A listener may add or remove listeners while it is told.
    const std::vector<CallListener *> listeners = m_listeners;
    for (CallListener *listener : listeners)
        if (std::find(m_listeners.begin(), m_listeners.end(), listener) != m_listeners.end())
            (listener->*event)(args...);
}

// ---------------------------------------------------------------- the call

bool CallSession::dial(const QString &number)
{
    if (live())
        return false;
    if (m_state == CallState::Ringing)
        declineRingingCall();
    tell(&CallListener::callDialed, number);
    const std::string address = "sip:" + number.toStdString() + "@" + m_registration.server().toStdString();
    if (RtcClient *rtc = m_client.get())
        m_session
            = rtc->createSession(RTCST_PC_TO_PHONE, nullptr, m_registration.profile(), RTCCS_FORCE_PROFILE);
    if (m_session)
        m_participant = m_session->addParticipant(address, "Any Name");
    if (!m_session || !m_participant) {
        // The call never left: no in-call state to be stuck in.
        m_session.reset();
        m_participant.reset();
        m_state = CallState::Idle;
        tell(&CallListener::dialFailed);
        return false;
    }
    m_state = CallState::Placing;
    tell(&CallListener::callPlaced);
    return true;
}

void CallSession::answer()
{
    if (m_state == CallState::Ringing && m_session)
        m_session->answer();
}

void CallSession::hangUp()
{
    if (!m_session)
        return;
    if (m_state == CallState::Ringing) {
        m_session->terminate(RTCTR_BUSY);
        tell(&CallListener::callRejected);
    } else {
        m_session->terminate(RTCTR_NORMAL);
    }
}

bool CallSession::sendTone(RtcDtmf digit)
{
    if (m_state != CallState::Connected)
        return false;
    if (RtcClient *rtc = m_client.get())
        rtc->sendDTMF(digit);
    return true;
}

bool CallSession::hold()
{
    return m_state == CallState::Connected && m_session && m_session->hold();
}

bool CallSession::resume()
{
    return m_state == CallState::Held && m_session && m_session->unHold();
}

bool CallSession::transfer(const QString &number)
{
    if ((m_state != CallState::Connected && m_state != CallState::Held) || !m_session)
        return false;
    const std::string target = "sip:" + number.toStdString() + "@" + m_registration.server().toStdString();
    return m_session->refer(target);
}

bool CallSession::shutDown()
{
    if (m_session && m_state != CallState::Idle)
        return m_session->terminate(RTCTR_SHUTDOWN);
    return true;
}

// ------------------------------------------------------------ the events

void CallSession::handle(const RtcEvent &event)
{
    const std::shared_ptr<RtcSession> &session = event.session;
    if (event.type == RTCE_SESSION_REFER_STATUS) {
        if (session && session == m_session)
            referStatus(event);
        return;
    }
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
        tell(&CallListener::callIdle);
        break;
    case RTCSS_ANSWERING:
        m_state = CallState::Answering;
        tell(&CallListener::callAnswering);
        break;
    case RTCSS_INPROGRESS:
        m_state = CallState::InProgress;
        m_calling = true;
        tell(&CallListener::callInProgress);
        break;
    case RTCSS_CONNECTED:
        // A call connects once: a resume after hold is no new call.
        if (m_state == CallState::Held)
            resumed();
        else if (m_state != CallState::Connected)
            connected();
        break;
    case RTCSS_HOLD:
        held(event.localHold);
        break;
    case RTCSS_DISCONNECTED:
        disconnected(event.callEnd);
        break;
    default:
        break;
    }
}

void CallSession::offered(const std::shared_ptr<RtcSession> &session)
{
    CallOffer offer;
    std::shared_ptr<RtcParticipant> caller;
    const auto participants
        = session ? session->participants() : std::vector<std::shared_ptr<RtcParticipant>> {};
    if (participants.size() == 1) {
        caller = participants.front();
        offer.hasCaller = true;
        // Where a caller's number enters: from here on it is safe to show and log.
        offer.number = CallerNumber::fromAddress(QString::fromStdString(caller->userUri()));
    }
    if (m_declineOffers) {
        // Not to be disturbed: the caller hears busy at once, nothing
        // rings, and the call is logged missed when it ends.
        declineOffer(session, offer.number);
        return;
    }
    if (live()) {
        // A call under way is never displaced. Nobody could answer this one,
        // so its caller hears busy at once instead of ringing on.
        declineOffer(session, offer.number);
        tell(&CallListener::callOffered, offer);
        return;
    }
    if (m_state == CallState::Ringing && m_session && m_session != session) {
        // A later offer replaces one still ringing; the first is declined.
        declineOffer(std::exchange(m_session, {}), m_callerNo);
    }
    m_state = CallState::Ringing;
    m_session = session;
    if (caller) {
        m_participant = caller;
        m_callerNo = offer.number;
    }
    offer.taken = true;
    tell(&CallListener::callOffered, offer);
}

void CallSession::declineOffer(const std::shared_ptr<RtcSession> &session, const QString &number)
{
    if (!session)
        return;
    m_untakenOffers[session.get()] = { session, number };
    session->terminate(RTCTR_BUSY);
}

void CallSession::declineRingingCall()
{
    // Dialing over a call ringing in: the caller hears busy, the call is
    // logged missed now, and ringing stops before the new call starts.
    const std::shared_ptr<RtcSession> offer = std::exchange(m_session, {});
    m_participant.reset();
    m_state = CallState::Idle;
    tell(&CallListener::ringingStopped);
    tell(&CallListener::callMissed, m_callerNo);
    if (offer)
        offer->terminate(RTCTR_BUSY); // its end is nobody's current call
}

void CallSession::untakenOfferEnded(const std::shared_ptr<RtcSession> &session)
{
    auto it = m_untakenOffers.find(session.get());
    if (!session || it == m_untakenOffers.end())
        return;
    const QString number = it->second.second;
    m_untakenOffers.erase(it);
    tell(&CallListener::callMissed, number);
    if (m_untakenOffers.empty() && !incoming())
        tell(&CallListener::ringingStopped);
}

void CallSession::connected()
{
    ConnectedCall call;
    call.incoming = incoming();
    call.number = m_callerNo;
    m_state = CallState::Connected;
    tell(&CallListener::callConnected, call);
}

void CallSession::held(bool localHold)
{
    // The far end's hold changes nothing here but the sound; ours puts the
    // call on hold, and a far end's hold reported after ours means ours is off.
    if (localHold && m_state == CallState::Connected) {
        m_state = CallState::Held;
        tell(&CallListener::callHeld);
    } else if (!localHold && m_state == CallState::Held) {
        resumed();
    }
}

void CallSession::resumed()
{
    m_state = CallState::Connected;
    tell(&CallListener::callResumed);
}

void CallSession::referStatus(const RtcEvent &event)
{
    if (m_state != CallState::Connected && m_state != CallState::Held)
        return;
    switch (event.referStatus) {
    case RTCSRS_DONE:
        m_transferred = true;
        tell(&CallListener::transferSucceeded);
        break;
    case RTCSRS_ERROR:
    case RTCSRS_REJECTED:
    case RTCSRS_DROPPED:
        tell(&CallListener::transferFailed);
        break;
    default:
        break;
    }
}

void CallSession::disconnected(RtcCallEnd reason)
{
    CallEnd end;
    end.reason = reason;
    end.missed = incoming();
    end.transferred = std::exchange(m_transferred, false);
    if (end.missed)
        tell(&CallListener::callMissed, m_callerNo);
    m_state = CallState::Idle;
    m_calling = false;
    m_session.reset();
    m_participant.reset();
    tell(&CallListener::callEnded, end);
}

} // namespace ralu
