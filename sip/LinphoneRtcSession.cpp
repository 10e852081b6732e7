#include "sip/LinphoneRtcSession.h"

#include "sip/LinphoneCalls.h"
#include "sip/LinphoneCoreRunner.h"

#include <optional>

namespace ralu {

bool LinphoneRtcSession::answer()
{
    LinphoneCalls *calls = m_calls;
    bool answered = false;
    if (calls)
        calls->m_runner.run([&](const auto &core) { answered = core && calls->accept(this, core); });
    return answered;
}

bool LinphoneRtcSession::terminate(RtcTerminateReason reason)
{
    LinphoneCalls *calls = m_calls;
    bool ended = false;
    if (calls)
        calls->m_runner.run([&](const auto &) { ended = calls->terminate(this, reason); });
    return ended;
}

bool LinphoneRtcSession::hold()
{
    LinphoneCalls *calls = m_calls;
    bool asked = false;
    if (calls)
        calls->m_runner.run([&](const auto &) { asked = calls->pause(this, true); });
    return asked;
}

bool LinphoneRtcSession::unHold()
{
    LinphoneCalls *calls = m_calls;
    bool asked = false;
    if (calls)
        calls->m_runner.run([&](const auto &) { asked = calls->pause(this, false); });
    return asked;
}

bool LinphoneRtcSession::refer(const std::string &referToUri)
{
    LinphoneCalls *calls = m_calls;
    bool asked = false;
    if (calls)
        calls->m_runner.run([&](const auto &) { asked = calls->refer(this, referToUri); });
    return asked;
}

std::shared_ptr<RtcParticipant> LinphoneRtcSession::addParticipant(
    const std::string &address, const std::string &name)
{
    LinphoneCalls *calls = m_calls;
    if (!calls || m_participant)
        return nullptr; // one called party per session
    const auto self = shared_from_this();
    std::optional<std::string> placed;
    calls->m_runner.run([&](const auto &) { placed = calls->invite(self, m_profile, address, name); });
    if (!placed)
        return nullptr;
    m_participant = std::make_shared<LinphoneRtcParticipant>(*placed, name);
    return m_participant;
}

} // namespace ralu
