// Calls: liblinphone calls as RtcSessions, their states as
// RTCE_SESSION_STATE_CHANGE events (comment table in the .cpp), placing,
// answering, ending, and touch tones into the current call.
#pragma once

#include "engine/RtcClient.h"

#include <QObject>

#include <atomic>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace linphone {
class Call;
class CallLog;
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

    std::shared_ptr<RtcSession> createSession(
        RtcSessionType type, const std::shared_ptr<RtcProfile> &profile);
    void setListenMode(RtcListenMode mode) { m_listenMode = mode; }
    bool sendDtmf(RtcDtmf digit);

    // From the core listener (on the core thread).
    void onCallState(const std::shared_ptr<linphone::Call> &call, int state, const std::string &message);
    // An incoming call liblinphone refused before it became a call (no
    // common codec: 488) is still an offer that ended: INCOMING, then
    // DISCONNECTED with why.
    void onCallLog(const std::shared_ptr<linphone::CallLog> &log);
    // Sessions the application still holds stop touching liblinphone (on
    // the core thread).
    void releaseAll();

    // Records the state the handler is about to see (the queue's delivery hook).
    static void delivered(const RtcEvent &event);

private:
    friend class LinphoneRtcSession;

    // Places an outgoing call for session.
    std::shared_ptr<linphone::Call> invite(LinphoneRtcSession *session,
        const std::shared_ptr<RtcProfile> &profile, const std::string &address, const std::string &name);
    void queueSessionState(const std::shared_ptr<LinphoneRtcSession> &session, RtcSessionState state,
        int statusCode = 0, const std::string &statusText = std::string(), RtcCallEnd callEnd = RTCCE_NONE);
    // DISCONNECTED with the call's final status and why it ended.
    void queueEnd(const std::shared_ptr<LinphoneRtcSession> &session,
        const std::shared_ptr<linphone::Call> &call, bool failed, const std::string &message);
    std::shared_ptr<LinphoneRtcSession> sessionFor(const std::shared_ptr<linphone::Call> &call);

    LinphoneCoreRunner &m_runner;
    LinphoneAccount &m_account;
    RtcEventQueue &m_events;
    // Sessions by liblinphone call (its C object), until the call is released.
    std::map<const void *, std::shared_ptr<LinphoneRtcSession>> m_sessions;
    // Incoming calls refused while not listening: they produce no events.
    std::set<const void *> m_refusedCalls;
    // The session whose call is being placed (its first states arrive before
    // invite returns).
    std::shared_ptr<LinphoneRtcSession> m_placing;
    std::atomic<RtcListenMode> m_listenMode { RTCLM_BOTH }; // read on the core thread
};

} // namespace ralu
