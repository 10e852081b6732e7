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
