#include "sip/LinphoneCalls.h"

#include "sip/AnswerAfterCancel.h"
#include "sip/LinphoneAccount.h"
#include "sip/LinphoneCoreRunner.h"
#include "sip/LinphoneRtcSession.h"
#include "sip/RtcEventQueue.h"
#include "sip/SipOutcome.h"
#include "sip/SipStackLog.h"

#include <linphone++/linphone.hh>
#include <linphone/misc.h>

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
//   Paused                                       HOLD, ours    (unless already HOLD, ours)
//   PausedByRemote                               HOLD, theirs  (unless already HOLD, theirs)
//   Referred                                     REFER         (unless already REFER)
//   End, Error                                   DISCONNECTED  (once)
//   Idle, PushIncomingReceived, Pausing,         nothing (a hold is ours once the
//     Resuming,                                    far end has taken it)
//     Updating, UpdatedByRemote, Released,
//     EarlyUpdating, EarlyUpdatedByRemote
//   anything after DISCONNECTED                  nothing
int sessionStateFor(linphone::Call::State state, RtcSessionState last, bool lastLocalHold)
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
    case S::Paused:
        return last == RTCSS_HOLD && lastLocalHold ? -1 : RTCSS_HOLD;
    case S::PausedByRemote:
        return last == RTCSS_HOLD && !lastLocalHold ? -1 : RTCSS_HOLD;
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

} // namespace

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
    return std::make_shared<LinphoneRtcSession>(this, profile);
}

LinphoneCalls::CallLeg *LinphoneCalls::legOf(const LinphoneRtcSession *session)
{
    for (auto &entry : m_calls)
        if (entry.second.session.get() == session)
            return &entry.second;
    return nullptr;
}

std::optional<std::string> LinphoneCalls::invite(const std::shared_ptr<LinphoneRtcSession> &session,
    const std::shared_ptr<RtcProfile> &profile, const std::string &address, const std::string &name)
{
    const auto &core = m_runner.core();
    if (!core || legOf(session.get()) || !m_account.callsWith(profile))
        return std::nullopt;
    auto to = linphone::Factory::get()->createAddress(address);
    if (!to || to->getDomain().empty())
        return std::nullopt;
    if (!name.empty())
        to->setDisplayName(name); // To: "Name" <sip:number@server>

    auto params = core->createCallParams(nullptr);
    if (!params)
        return std::nullopt;
    params->enableAudio(true);
    params->enableVideo(false);
    // The enabled account is the default one; its proxy configuration
    // carries the call to S.
    if (auto proxy = core->getDefaultProxyConfig())
        params->setProxyConfig(proxy);

    m_placing = session; // its first states arrive from inside the invite
    std::shared_ptr<linphone::Call> call;
    try {
        call = core->inviteAddressWithParams(to, params);
    } catch (...) {
        call.reset();
    }
    const bool unbound = m_placing != nullptr; // no state reported from inside
    m_placing.reset();
    if (!call)
        return std::nullopt;
    if (unbound)
        m_calls[call->cPtr()] = CallLeg { call, session };
    return plainUri(to);
}

bool LinphoneCalls::accept(const LinphoneRtcSession *session, const std::shared_ptr<linphone::Core> &core)
{
    CallLeg *leg = legOf(session);
    if (!leg || !ringingIn(leg->call->getState()))
        return false;
    const auto call = leg->call;
    auto params = core->createCallParams(call);
    if (!params)
        return false;
    params->enableAudio(true);
    params->enableVideo(false);
    // ANSWERING goes into the queue before whatever accept() reports.
    const RtcSessionState before = leg->queued;
    const auto self = leg->session;
    queueSessionState(*leg, RTCSS_ANSWERING);
    if (call->acceptWithParams(params) != 0) {
        // Take the ANSWERING back if it has not been delivered yet.
        const bool taken = m_events.takeBackLast([&self](const RtcEvent &e) {
            return e.type == RTCE_SESSION_STATE_CHANGE && e.session == self
                && e.sessionState == RTCSS_ANSWERING;
        });
        leg = legOf(session); // accept() may have reported states, the release too
        if (taken && leg && leg->queued == RTCSS_ANSWERING)
            leg->queued = before;
        return false;
    }
    return true;
}

bool LinphoneCalls::terminate(const LinphoneRtcSession *session, RtcTerminateReason reason)
{
    CallLeg *leg = legOf(session);
    if (!leg)
        return false;
    const auto call = leg->call;
    using S = linphone::Call::State;
    const auto st = call->getState();
    if (st == S::End || st == S::Error || st == S::Released)
        return false;
    leg->endedHere = true;
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
        return call->decline(why) == 0;
    }
    // Outgoing not answered yet: CANCEL (which an answer may cross);
    // established: BYE.
    if (st == S::OutgoingInit || st == S::OutgoingProgress || st == S::OutgoingRinging
        || st == S::OutgoingEarlyMedia)
        if (const auto log = call->getCallLog())
            answer_after_cancel::expect(log->getCallId());
    return call->terminate() == 0;
}

LinphoneCalls::CallLeg &LinphoneCalls::legFor(const std::shared_ptr<linphone::Call> &call)
{
    const auto [it, added] = m_calls.try_emplace(call->cPtr());
    CallLeg &leg = it->second;
    if (!added)
        return leg;
    leg.call = call;
    if (m_placing) {
        leg.session = std::move(m_placing); // our own INVITE reporting its first state
        return leg;
    }
    // A call we did not place (incoming, or started by liblinphone for a
    // transfer): its participant is the far end, given before the session
    // is handed over in its first event.
    const auto remote = call->getRemoteAddress();
    leg.session = std::make_shared<LinphoneRtcSession>(this, nullptr,
        std::make_shared<LinphoneRtcParticipant>(
            plainUri(remote), remote ? remote->getDisplayName() : std::string()));
    return leg;
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
    if (!m_calls.count(key)) {
        if (state == S::Released || state == S::End || state == S::Error || state == S::Idle)
            return; // never seen: nothing to report
        if (ringingIn(state) && m_listenMode == RTCLM_NONE) {
            // Not listening: refuse without bothering the application.
            m_refusedCalls.insert(key);
            call->decline(linphone::Reason::TemporarilyUnavailable); // 480
            return;
        }
    }
    CallLeg &leg = legFor(call);

    const int mapped = sessionStateFor(state, leg.queued, leg.queuedLocalHold);
    if (mapped == RTCSS_DISCONNECTED) {
        queueEnd(leg, state == S::Error, message);
    } else if (mapped >= 0) {
        queueSessionState(leg, RtcSessionState(mapped), 0, message, RTCCE_NONE, state == S::Paused);
    }

    if (state == S::Released) {
        if (const auto log = call->getCallLog())
            answer_after_cancel::forget(log->getCallId());
        m_calls.erase(key); // the call is released here, on the core thread
    }
}

void LinphoneCalls::onCallLog(const std::shared_ptr<linphone::CallLog> &log)
{
    if (!log || log->getStatus() != linphone::Call::Status::EarlyAborted
        || log->getDir() != linphone::Call::Dir::Incoming || m_listenMode == RTCLM_NONE)
        return;
    // No call to keep: a leg of its own for its two events only.
    const auto from = log->getFromAddress();
    CallLeg leg { nullptr,
        std::make_shared<LinphoneRtcSession>(this, nullptr,
            std::make_shared<LinphoneRtcParticipant>(
                plainUri(from), from ? from->getDisplayName() : std::string())) };
    int code = 0;
    std::string text;
    if (const auto info = log->getErrorInfo()) {
        code = info->getProtocolCode();
        text = info->getPhrase();
    }
    queueSessionState(leg, RTCSS_INCOMING);
    queueSessionState(leg, RTCSS_DISCONNECTED, code, text, callEndFor(true, code, true));
}

void LinphoneCalls::queueEnd(CallLeg &leg, bool failed, const std::string &message)
{
    int code = 0;
    std::string text;
    if (const auto info = leg.call->getErrorInfo()) {
        code = info->getProtocolCode();
        text = info->getPhrase();
        if (code <= 0 && info->getReason() != linphone::Reason::None)
            code = linphone_reason_to_error_code(LinphoneReason(info->getReason()));
    }
    // Any SIP message received for the call (the provider's 100 Trying or
    // 407 for ours, the INVITE for theirs) is kept as its last received
    // headers.
    const auto remote = leg.call->getRemoteParams();
    const bool heardBack = remote && !remote->getCustomHeader("Call-ID").empty();
    // A far end's refusal may end the call without an error state (603
    // gives End), and our own refusal carries its status too.
    failed = !leg.endedHere && (failed || code >= 300);
    // An offer that ends before it was answered, and not by us, is the
    // caller giving up: a missed call, whatever code the stack gives it.
    if (leg.call->getDir() == linphone::Call::Dir::Incoming && leg.queued != RTCSS_CONNECTED
        && leg.queued != RTCSS_HOLD)
        failed = false;
    const RtcCallEnd end = callEndFor(failed, code, heardBack);
    if (failed) // the support log keeps each call's reason
        qCWarning(lcSip).noquote() << "call failed:" << code
                                   << QString::fromStdString(text.empty() ? message : text);
    queueSessionState(leg, RTCSS_DISCONNECTED, code, text.empty() ? message : text, end);
}

void LinphoneCalls::queueSessionState(CallLeg &leg, RtcSessionState state, int statusCode,
    const std::string &statusText, RtcCallEnd callEnd, bool localHold)
{
    leg.queued = state;
    leg.queuedLocalHold = localHold;
    RtcEvent e;
    e.localHold = localHold;
    e.type = RTCE_SESSION_STATE_CHANGE;
    e.sessionState = state;
    e.session = leg.session;
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
    m_calls.clear();
    m_refusedCalls.clear();
    m_placing.reset();
}

} // namespace ralu
