// The call control of a connected call: hold, resume and blind transfer,
// with the transfer's progress as RTCE_SESSION_REFER_STATUS events. Core
// thread only, like the rest of LinphoneCalls.
#include "sip/LinphoneCalls.h"
#include "sip/LinphoneRtcSession.h"
#include "sip/RtcEventQueue.h"

#include <linphone++/linphone.hh>

namespace ralu {

bool LinphoneCalls::pause(const LinphoneRtcSession *session, bool hold)
{
    CallLeg *leg = legOf(session);
    if (!leg || !leg->call)
        return false;
    using S = linphone::Call::State;
    const auto st = leg->call->getState();
    if (hold)
        return (st == S::StreamsRunning || st == S::PausedByRemote) && leg->call->pause() == 0;
    return st == S::Paused && leg->call->resume() == 0;
}

bool LinphoneCalls::refer(const LinphoneRtcSession *session, const std::string &referTo)
{
    CallLeg *leg = legOf(session);
    if (!leg || !leg->call)
        return false;
    using S = linphone::Call::State;
    const auto st = leg->call->getState();
    if (st != S::StreamsRunning && st != S::Paused && st != S::PausedByRemote)
        return false;
    const auto to = linphone::Factory::get()->createAddress(referTo);
    if (!to || to->getDomain().empty() || to->getUsername().empty())
        return false;
    return leg->call->transferTo(to) == 0;
}

void LinphoneCalls::onTransferState(const std::shared_ptr<linphone::Call> &call, int stateValue)
{
    const auto it = call ? m_calls.find(call->cPtr()) : m_calls.end();
    if (it == m_calls.end() || it->second.queued == RTCSS_DISCONNECTED)
        return;
    CallLeg &leg = it->second;
    RtcEvent e;
    e.type = RTCE_SESSION_REFER_STATUS;
    e.session = leg.session;
    using S = linphone::Call::State;
    switch (S(stateValue)) {
    case S::OutgoingInit:
        e.referStatus = RTCSRS_REFERRING;
        break;
    case S::OutgoingProgress:
        e.referStatus = RTCSRS_ACCEPTED;
        break;
    case S::Connected:
        // liblinphone ends the call itself now (BYE): our end, no failure.
        e.referStatus = RTCSRS_DONE;
        leg.endedHere = true;
        break;
    case S::Error:
        e.referStatus = RTCSRS_ERROR;
        break;
    default:
        return;
    }
    m_events.push(std::move(e));
}

} // namespace ralu
