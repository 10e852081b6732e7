// Calls: liblinphone calls as RtcSessions, their states as
// RTCE_SESSION_STATE_CHANGE events (comment table in the .cpp), placing,
// answering, ending, holding, transferring (its progress as
// RTCE_SESSION_REFER_STATUS events, in LinphoneCallControl.cpp), and touch
// tones into the current call.
//
// Threads: every field here has one owner thread.
// - The core thread owns the calls (m_calls and what goes with them):
//   liblinphone's Call objects, the session each belongs to, the last state
//   queued for it and whether we ended it, the calls refused, the call being
//   placed. They are made, read, changed and released there only, in
//   listeners and run() jobs.
// - The Qt thread owns the sessions the application holds
//   (LinphoneRtcSession.h): their state as last delivered to the handler
//   and their participant. A session holds no liblinphone object, so the
//   thread that drops it releases nothing of liblinphone's; the core thread
//   keeps sessions only to put them in events.
// - Facts cross by hand-over only: a session's state in its events
//   (RtcEventQueue, recorded by delivered() as the handler gets them); what
//   a session's job did (placed and to whom, answered, ended) as run()'s
//   result; an incoming session's participant is set once, on the core
//   thread, before its first event hands the session over.
#pragma once

#include "engine/RtcClient.h"

#include <QObject>

#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace linphone {
class Call;
class CallLog;
class Core;
} // namespace linphone

namespace ralu {

class LinphoneAccount;
class LinphoneCoreRunner;
class LinphoneRtcSession;
class RtcEventQueue;

class LinphoneCalls : public QObject {
public:
    LinphoneCalls(LinphoneCoreRunner &runner, LinphoneAccount &account, RtcEventQueue &events,
        QObject *parent = nullptr);

    // On the Qt thread.
    std::shared_ptr<RtcSession> createSession(
        RtcSessionType type, const std::shared_ptr<RtcProfile> &profile);
    void setListenMode(RtcListenMode mode) { m_listenMode = mode; }
    bool sendDtmf(RtcDtmf digit);
    // Records the state the handler is about to see (the queue's delivery hook).
    static void delivered(const RtcEvent &event);

    // On the core thread: from the core listener.
    void onCallState(const std::shared_ptr<linphone::Call> &call, int state, const std::string &message);
    // An incoming call liblinphone refused before it became a call (no
    // common codec: 488) is still an offer that ended: INCOMING, then
    // DISCONNECTED with why.
    void onCallLog(const std::shared_ptr<linphone::CallLog> &log);
    // How a transfer asked by one of our sessions goes.
    void onTransferState(const std::shared_ptr<linphone::Call> &call, int state);
    // Lets go of every call; sessions the application still holds stop
    // reaching liblinphone.
    void releaseAll();

private:
    friend class LinphoneRtcSession;

    // A liblinphone call and the session it belongs to.
    struct CallLeg {
        std::shared_ptr<linphone::Call> call;
        std::shared_ptr<LinphoneRtcSession> session; // its fields are the Qt thread's
        RtcSessionState queued = RTCSS_IDLE; // last state queued for the session
        bool queuedLocalHold = false; // that state is HOLD, and the hold is ours
        bool endedHere = false; // hung up, cancelled or refused by us: no failure
    };

    // The sessions' operations, on the core thread. invite() places an
    // outgoing call for session and gives the called party's address.
    std::optional<std::string> invite(const std::shared_ptr<LinphoneRtcSession> &session,
        const std::shared_ptr<RtcProfile> &profile, const std::string &address, const std::string &name);
    bool accept(const LinphoneRtcSession *session, const std::shared_ptr<linphone::Core> &core);
    bool terminate(const LinphoneRtcSession *session, RtcTerminateReason reason);
    bool pause(const LinphoneRtcSession *session, bool hold); // hold false: resume
    bool refer(const LinphoneRtcSession *session, const std::string &referTo);
    CallLeg *legOf(const LinphoneRtcSession *session); // null: no call (yet, or any more)
    CallLeg &legFor(const std::shared_ptr<linphone::Call> &call); // made on its first state
    void queueSessionState(CallLeg &leg, RtcSessionState state, int statusCode = 0,
        const std::string &statusText = std::string(), RtcCallEnd callEnd = RTCCE_NONE,
        bool localHold = false);
    // DISCONNECTED with the call's final status and why it ended.
    void queueEnd(CallLeg &leg, bool failed, const std::string &message);

    LinphoneCoreRunner &m_runner;
    LinphoneAccount &m_account;
    RtcEventQueue &m_events;
    // The core thread's. Calls by liblinphone call (its C object), until the
    // call is released.
    std::map<const void *, CallLeg> m_calls;
    // Incoming calls refused while not listening: they produce no events.
    std::set<const void *> m_refusedCalls;
    // The session whose call is being placed, until its call has a leg (its
    // first states arrive before the invite returns).
    std::shared_ptr<LinphoneRtcSession> m_placing;
    std::atomic<RtcListenMode> m_listenMode { RTCLM_BOTH }; // set on the Qt thread, read on the core thread
};

} // namespace ralu
