// The one current call: its states, and the operations on it (dial, answer,
// hang up, touch tones, hold, transfer). It alone holds the client's session; what follows
// from a change (texts, ringing, history, billing) is its listeners' job
// (CallListener). Decisions read the typed states, never texts.
#pragma once

#include "engine/AppState.h"
#include "engine/CallListener.h"
#include "engine/CallStates.h"
#include "engine/ReadyClient.h"
#include "engine/Registration.h"

#include <QString>
#include <map>
#include <memory>
#include <vector>

namespace ralu {

class CallSession {
public:
    // Calls are placed with the registration's server and profile.
    CallSession(const ReadyClient &client, const Registration &registration);

    // Listeners hear the events in the order they were added; a listener
    // must be removed before it goes.
    void addListener(CallListener *listener);
    void removeListener(CallListener *listener);

    // Places a call to sip:number@server. A call still ringing in is first
    // declined as busy and logged missed. False, with dialFailed told, when
    // the client would not place it; false and nothing done while a call is
    // live.
    bool dial(const QString &number);
    // Answers the call ringing in; nothing otherwise.
    void answer();
    // Rejects a call ringing in as busy, ends any other current call.
    void hangUp();
    // Sends a touch tone into a connected call. False (nothing sent) when no
    // call is connected: the caller then plays the tone locally.
    bool sendTone(RtcDtmf digit);
    // Puts the connected call on hold, or takes it off; false (nothing
    // asked) in any other state. The state changes with the client's event.
    bool hold();
    bool resume();
    // Asks the far end of the connected (or held) call to call
    // sip:number@server instead (blind transfer). False when there is no
    // such call or the client would not ask.
    bool transfer(const QString &number);
    // While set, every offer is declined busy at once, without ringing, and
    // logged missed when it ends.
    void setDeclineOffers(bool decline) { m_declineOffers = decline; }
    // The program ends: a call under way is ended. False when the client
    // refused to end it.
    bool shutDown();
    // A session event of the client (state changes and transfer reports).
    void handle(const RtcEvent &event);

    CallState state() const { return m_state; }
    bool live() const { return isLive(m_state); }
    // A call rings in or is being answered, and is not logged yet.
    bool incoming() const { return m_state == CallState::Ringing || m_state == CallState::Answering; }
    // An outgoing call reached the in-progress state and has not ended.
    bool calling() const { return m_calling; }

private:
    friend class CallEngineTestAccess;

    template <typename Event, typename... Args> void tell(Event event, const Args &...args);
    void offered(const std::shared_ptr<RtcSession> &session);
    void declineOffer(const std::shared_ptr<RtcSession> &session, const QString &number);
    void declineRingingCall();
    void untakenOfferEnded(const std::shared_ptr<RtcSession> &session);
    void connected();
    void held(bool localHold);
    void resumed();
    void referStatus(const RtcEvent &event);
    void disconnected(RtcCallEnd end);

    const ReadyClient &m_client;
    const Registration &m_registration;
    std::vector<CallListener *> m_listeners;

    CallState m_state = CallState::Idle;
    std::shared_ptr<RtcSession> m_session;
    std::shared_ptr<RtcParticipant> m_participant;
    bool m_calling = false;
    bool m_declineOffers = false;
    bool m_transferred = false; // the current call's transfer reached its target
    QString m_callerNo;
    // Offers declined without being taken as the current call (a call was
    // under way, or a later offer replaced them), with their own caller
    // numbers: each is logged missed when it ends.
    std::map<const RtcSession *, std::pair<std::shared_ptr<RtcSession>, QString>> m_untakenOffers;
};

} // namespace ralu
