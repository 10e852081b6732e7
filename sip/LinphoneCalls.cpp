#include "sip/LinphoneCalls.h"

#include "sip/AnswerAfterCancel.h"
#include "sip/LinphoneAccount.h"
#include "sip/LinphoneCoreRunner.h"
#include "sip/RtcEventQueue.h"
#include "sip/SipOutcome.h"

#include <linphone++/linphone.hh>
#include <linphone/misc.h>

#include <QPointer>

namespace ralu {

namespace {

// "sip:user@host[:port]": no display name, no parameters, no headers.
std::string plainUri(const std::shared_ptr<const linphone::Address> &address)
{
    if (!address)
        return std::string();
    std::string uri = address->getScheme().empty() ? std::string("sip") : address->getScheme();
    uri += ':';
    if (!address->getUsername().empty())
        uri += address->getUsername() + "@";
    uri += address->getDomain();
    if (address->getPort() > 0)
        uri += ":" + std::to_string(address->getPort());
    return uri;
}

// Liblinphone call state -> RtcSessionState, given the last state queued for
// the session. -1: no event.
//
//   liblinphone Call::State                      RtcSessionState
//   -------------------------------------------  ---------------------------------------
//   IncomingReceived, IncomingEarlyMedia         INCOMING      (first state only)
//   OutgoingInit, OutgoingProgress,              INPROGRESS    (first state only)
//     OutgoingRinging, OutgoingEarlyMedia
//   Connected, StreamsRunning                    CONNECTED     (unless already CONNECTED:
//                                                 re-INVITEs give nothing; after HOLD,
//                                                 resuming gives CONNECTED again)
//   Pausing, Paused, PausedByRemote              HOLD          (unless already HOLD)
//   Referred                                     REFER         (unless already REFER)
//   End, Error                                   DISCONNECTED  (once)
//   Idle, PushIncomingReceived, Resuming,        nothing
//     Updating, UpdatedByRemote, Released,
//     EarlyUpdating, EarlyUpdatedByRemote
//   anything after DISCONNECTED                  nothing
int sessionStateFor(linphone::Call::State state, RtcSessionState last)
{
    using S = linphone::Call::State;
    if (last == RTCSS_DISCONNECTED)
        return -1;
    switch (state) {
    case S::IncomingReceived:
    case S::IncomingEarlyMedia:
        return last == RTCSS_IDLE ? RTCSS_INCOMING : -1;
    case S::OutgoingInit:
    case S::OutgoingProgress:
    case S::OutgoingRinging:
    case S::OutgoingEarlyMedia:
        return last == RTCSS_IDLE ? RTCSS_INPROGRESS : -1;
    case S::Connected:
    case S::StreamsRunning:
        return last == RTCSS_CONNECTED ? -1 : RTCSS_CONNECTED;
    case S::Pausing:
    case S::Paused:
    case S::PausedByRemote:
        return last == RTCSS_HOLD ? -1 : RTCSS_HOLD;
    case S::Referred:
        return last == RTCSS_REFER ? -1 : RTCSS_REFER;
    case S::End:
    case S::Error:
        return RTCSS_DISCONNECTED;
    default:
        return -1;
    }
}

bool ringingIn(linphone::Call::State st)
{
    return st == linphone::Call::State::IncomingReceived || st == linphone::Call::State::IncomingEarlyMedia;
}

class LinphoneRtcParticipant : public RtcParticipant {
public:
    LinphoneRtcParticipant(std::string uri, std::string name)
        : m_uri(std::move(uri))
        , m_name(std::move(name))
    {
    }
    std::string userUri() const override { return m_uri; }
    std::string name() const override { return m_name; }

private:
    std::string m_uri;
    std::string m_name;
};

} // namespace

class LinphoneRtcSession : public RtcSession {
public:
    LinphoneRtcSession(LinphoneCalls *calls, std::shared_ptr<RtcProfile> profile)
        : m_calls(calls)
        , m_profile(std::move(profile))
    {
    }

    RtcSessionState state() const override { return m_state; }
    std::vector<std::shared_ptr<RtcParticipant>> participants() const override
    {
        if (!m_participant)
            return {};
        return { m_participant };
    }
    bool answer() override;
    bool terminate(RtcTerminateReason reason) override;
    // On the core thread.
    bool acceptNow(const std::shared_ptr<linphone::Core> &core);
    bool terminateNow(RtcTerminateReason reason);
    std::shared_ptr<RtcParticipant> addParticipant(
        const std::string &address, const std::string &name) override;

    QPointer<LinphoneCalls> m_calls;
    std::shared_ptr<RtcProfile> m_profile;
    std::shared_ptr<linphone::Call> m_call; // null before the call and after it is released
    std::shared_ptr<RtcParticipant> m_participant;
    std::weak_ptr<LinphoneRtcSession> m_self;
    RtcSessionState m_state = RTCSS_IDLE; // last state delivered to the handler
    RtcSessionState m_queued = RTCSS_IDLE; // last state queued
    bool m_endedHere = false; // hung up, cancelled or refused by us: no failure
};

bool LinphoneRtcSession::answer()
{
    bool answered = false;
    if (m_calls)
        m_calls->m_runner.run([&](const auto &core) { answered = core && acceptNow(core); });
    return answered;
}

bool LinphoneRtcSession::acceptNow(const std::shared_ptr<linphone::Core> &core)
{
    if (!m_call || !ringingIn(m_call->getState()))
        return false;
    auto params = core->createCallParams(m_call);
    if (!params)
        return false;
    params->enableAudio(true);
    params->enableVideo(false);
    // ANSWERING goes into the queue before whatever accept() reports.
    const RtcSessionState before = m_queued;
    const auto self = m_self.lock();
    m_calls->queueSessionState(self, RTCSS_ANSWERING);
    if (m_call->acceptWithParams(params) != 0) {
        // Take the ANSWERING back if it has not been delivered yet.
        const bool taken = m_calls->m_events.takeBackLast([&self](const RtcEvent &e) {
            return e.type == RTCE_SESSION_STATE_CHANGE && e.session == self
                && e.sessionState == RTCSS_ANSWERING;
        });
        if (taken && m_queued == RTCSS_ANSWERING)
            m_queued = before;
        return false;
    }
    return true;
}

bool LinphoneRtcSession::terminate(RtcTerminateReason reason)
{
    bool ended = false;
    if (m_calls)
        m_calls->m_runner.run([&](const auto &) { ended = terminateNow(reason); });
    return ended;
}

bool LinphoneRtcSession::terminateNow(RtcTerminateReason reason)
{
    if (!m_call)
        return false;
    using S = linphone::Call::State;
    const auto st = m_call->getState();
    if (st == S::End || st == S::Error || st == S::Released)
        return false;
    m_endedHere = true;
    if (ringingIn(st)) {
        // Still ringing in: refuse it with a reason the caller sees.
        linphone::Reason why = linphone::Reason::Declined; // 603
        switch (reason) {
        case RTCTR_BUSY:
            why = linphone::Reason::Busy;
            break; // 486
        case RTCTR_DND:
            why = linphone::Reason::DoNotDisturb;
            break; // 600
        case RTCTR_TIMEOUT:
            why = linphone::Reason::NotAnswered;
            break; // 480
        case RTCTR_REJECT:
        case RTCTR_NORMAL:
        case RTCTR_SHUTDOWN:
            why = linphone::Reason::Declined;
            break; // 603
        }
        return m_call->decline(why) == 0;
    }
    // Outgoing not answered yet: CANCEL (which an answer may cross);
    // established: BYE.
    if (st == S::OutgoingInit || st == S::OutgoingProgress || st == S::OutgoingRinging
        || st == S::OutgoingEarlyMedia)
        if (const auto log = m_call->getCallLog())
            answer_after_cancel::expect(log->getCallId());
    return m_call->terminate() == 0;
}

std::shared_ptr<RtcParticipant> LinphoneRtcSession::addParticipant(
    const std::string &address, const std::string &name)
{
    if (!m_calls || m_participant)
        return nullptr; // one called party per session
    bool placed = false;
    m_calls->m_runner.run(
        [&](const auto &) { placed = !m_call && m_calls->invite(this, m_profile, address, name); });
    return placed ? m_participant : nullptr;
}

// ------------------------------------------------------------------- calls

LinphoneCalls::LinphoneCalls(
    LinphoneCoreRunner &runner, LinphoneAccount &account, RtcEventQueue &events, QObject *parent)
    : QObject(parent)
    , m_runner(runner)
    , m_account(account)
    , m_events(events)
{
}

void LinphoneCalls::delivered(const RtcEvent &event)
{
    if (event.type == RTCE_SESSION_STATE_CHANGE && event.session)
        static_cast<LinphoneRtcSession *>(event.session.get())->m_state = event.sessionState;
}

std::shared_ptr<RtcSession> LinphoneCalls::createSession(
    RtcSessionType type, const std::shared_ptr<RtcProfile> &profile)
{
    if (!m_runner.started() || (type != RTCST_PC_TO_PHONE && type != RTCST_PC_TO_PC))
        return nullptr;
    auto session = std::make_shared<LinphoneRtcSession>(this, profile);
    session->m_self = session;
    return session;
}

std::shared_ptr<linphone::Call> LinphoneCalls::invite(LinphoneRtcSession *session,
    const std::shared_ptr<RtcProfile> &profile, const std::string &address, const std::string &name)
{
    const auto &core = m_runner.core();
    if (!core || !m_account.callsWith(profile))
        return nullptr;
    auto to = linphone::Factory::get()->createAddress(address);
    if (!to || to->getDomain().empty())
        return nullptr;
    if (!name.empty())
        to->setDisplayName(name); // To: "Name" <sip:number@server>

    auto params = core->createCallParams(nullptr);
    if (!params)
        return nullptr;
    params->enableAudio(true);
    params->enableVideo(false);
    // The enabled account is the default one; its proxy configuration
    // carries the call to S.
    if (auto proxy = core->getDefaultProxyConfig())
        params->setProxyConfig(proxy);

    auto self = session->m_self.lock();
    session->m_participant = std::make_shared<LinphoneRtcParticipant>(plainUri(to), name);
    m_placing = self;
    std::shared_ptr<linphone::Call> call;
    try {
        call = core->inviteAddressWithParams(to, params);
    } catch (...) {
        call.reset();
    }
    m_placing.reset();
    if (!call) {
        session->m_participant.reset();
        return nullptr;
    }
    if (!session->m_call) {
        // No state reported from inside invite: bind here.
        session->m_call = call;
        m_sessions[call->cPtr()] = self;
    }
    return call;
}

std::shared_ptr<LinphoneRtcSession> LinphoneCalls::sessionFor(const std::shared_ptr<linphone::Call> &call)
{
    const void *key = call->cPtr();
    auto it = m_sessions.find(key);
    if (it != m_sessions.end())
        return it->second;
    std::shared_ptr<LinphoneRtcSession> session;
    if (m_placing && !m_placing->m_call) {
        session = m_placing; // our own INVITE reporting its first state
    } else {
        session = std::make_shared<LinphoneRtcSession>(this, nullptr);
        session->m_self = session;
        // A call we did not place (incoming, or started by liblinphone for a
        // transfer): its participant is the far end.
        const auto remote = call->getRemoteAddress();
        session->m_participant = std::make_shared<LinphoneRtcParticipant>(
            plainUri(remote), remote ? remote->getDisplayName() : std::string());
    }
    session->m_call = call;
    m_sessions[key] = session;
    return session;
}

void LinphoneCalls::onCallState(
    const std::shared_ptr<linphone::Call> &call, int stateValue, const std::string &message)
{
    if (!call)
        return;
    using S = linphone::Call::State;
    const auto state = S(stateValue);
    const void *key = call->cPtr();

    if (m_refusedCalls.count(key)) {
        if (state == S::Released)
            m_refusedCalls.erase(key);
        return;
    }
    if (!m_sessions.count(key)) {
        if (state == S::Released || state == S::End || state == S::Error || state == S::Idle)
            return; // never seen: nothing to report
        if (ringingIn(state) && m_listenMode == RTCLM_NONE) {
            // Not listening: refuse without bothering the application.
            m_refusedCalls.insert(key);
            call->decline(linphone::Reason::TemporarilyUnavailable); // 480
            return;
        }
    }
    auto session = sessionFor(call);

    const int mapped = sessionStateFor(state, session->m_queued);
    if (mapped == RTCSS_DISCONNECTED) {
        queueEnd(session, call, state == S::Error, message);
    } else if (mapped >= 0) {
        queueSessionState(session, RtcSessionState(mapped), 0, message);
    }

    if (state == S::Released) {
        if (const auto log = call->getCallLog())
            answer_after_cancel::forget(log->getCallId());
        m_sessions.erase(key);
        session->m_call.reset();
    }
}

void LinphoneCalls::onCallLog(const std::shared_ptr<linphone::CallLog> &log)
{
    if (!log || log->getStatus() != linphone::Call::Status::EarlyAborted
        || log->getDir() != linphone::Call::Dir::Incoming || m_listenMode == RTCLM_NONE)
        return;
    auto session = std::make_shared<LinphoneRtcSession>(this, nullptr);
    session->m_self = session;
    const auto from = log->getFromAddress();
    session->m_participant = std::make_shared<LinphoneRtcParticipant>(
        plainUri(from), from ? from->getDisplayName() : std::string());
    int code = 0;
    std::string text;
    if (const auto info = log->getErrorInfo()) {
        code = info->getProtocolCode();
        text = info->getPhrase();
    }
    queueSessionState(session, RTCSS_INCOMING);
    queueSessionState(session, RTCSS_DISCONNECTED, code, text, callEndFor(true, code, true));
}

void LinphoneCalls::queueEnd(const std::shared_ptr<LinphoneRtcSession> &session,
    const std::shared_ptr<linphone::Call> &call, bool failed, const std::string &message)
{
    int code = 0;
    std::string text;
    if (const auto info = call->getErrorInfo()) {
        code = info->getProtocolCode();
        text = info->getPhrase();
        if (code <= 0 && info->getReason() != linphone::Reason::None)
            code = linphone_reason_to_error_code(LinphoneReason(info->getReason()));
    }
    // Any SIP message received for the call (the provider's 100 Trying or
    // 407 for ours, the INVITE for theirs) is kept as its last received
    // headers.
    const auto remote = call->getRemoteParams();
    const bool heardBack = remote && !remote->getCustomHeader("Call-ID").empty();
    // A far end's refusal may end the call without an error state (603
    // gives End), and our own refusal carries its status too.
    failed = !session->m_endedHere && (failed || code >= 300);
    // An offer that ends before it was answered, and not by us, is the
    // caller giving up: a missed call, whatever code the stack gives it.
    if (call->getDir() == linphone::Call::Dir::Incoming && session->m_queued != RTCSS_CONNECTED
        && session->m_queued != RTCSS_HOLD)
        failed = false;
    queueSessionState(session, RTCSS_DISCONNECTED, code, text.empty() ? message : text,
        callEndFor(failed, code, heardBack));
}

void LinphoneCalls::queueSessionState(const std::shared_ptr<LinphoneRtcSession> &session,
    RtcSessionState state, int statusCode, const std::string &statusText, RtcCallEnd callEnd)
{
    if (!session)
        return;
    session->m_queued = state;
    RtcEvent e;
    e.type = RTCE_SESSION_STATE_CHANGE;
    e.sessionState = state;
    e.session = session;
    e.statusCode = statusCode;
    e.statusText = statusText;
    e.callEnd = callEnd;
    m_events.push(std::move(e));
}

bool LinphoneCalls::sendDtmf(RtcDtmf digit)
{
    char c = 0;
    if (digit >= RTC_DTMF_0 && digit <= RTC_DTMF_9)
        c = char('0' + (digit - RTC_DTMF_0));
    else if (digit == RTC_DTMF_STAR)
        c = '*';
    else if (digit == RTC_DTMF_POUND)
        c = '#';
    else if (digit >= RTC_DTMF_A && digit <= RTC_DTMF_D)
        c = char('A' + (digit - RTC_DTMF_A));
    else
        return false;
    bool sent = false;
    m_runner.run([&](const auto &core) {
        auto call = core ? core->getCurrentCall() : nullptr;
        if (!call)
            return;
        const auto st = call->getState();
        if (st != linphone::Call::State::StreamsRunning && st != linphone::Call::State::Connected)
            return;
        sent = call->sendDtmf(c) == 0;
    });
    return sent;
}

void LinphoneCalls::releaseAll()
{
    for (auto &entry : m_sessions)
        entry.second->m_call.reset();
    m_sessions.clear();
    m_refusedCalls.clear();
    m_placing.reset();
}

} // namespace ralu
