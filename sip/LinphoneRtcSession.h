// The application's side of a call: a session the call engine holds, and
// its participant. The Qt thread's (LinphoneCalls.h says how threads meet):
// it holds no liblinphone object, and reaches its call only through a job
// on the core thread, which finds the call by the session.
#pragma once

#include "engine/RtcClient.h"
#include "sip/LinphoneCalls.h"

#include <QPointer>

#include <memory>
#include <string>

namespace ralu {

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
    const std::string m_uri;
    const std::string m_name;
};

class LinphoneRtcSession : public RtcSession, public std::enable_shared_from_this<LinphoneRtcSession> {
public:
    LinphoneRtcSession(LinphoneCalls *calls, std::shared_ptr<RtcProfile> profile,
        std::shared_ptr<RtcParticipant> participant = nullptr)
        : m_calls(calls)
        , m_profile(std::move(profile))
        , m_participant(std::move(participant))
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
    std::shared_ptr<RtcParticipant> addParticipant(
        const std::string &address, const std::string &name) override;
    bool hold() override;
    bool unHold() override;
    bool refer(const std::string &referToUri) override;

    const QPointer<LinphoneCalls> m_calls;
    const std::shared_ptr<RtcProfile> m_profile;
    std::shared_ptr<RtcParticipant> m_participant;
    RtcSessionState m_state = RTCSS_IDLE; // last state delivered to the handler
};

} // namespace ralu
