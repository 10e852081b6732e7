#include "engine/Registration.h"

#include "engine/ProvisioningProfile.h"

#include <optional>

namespace ralu {

namespace {

// The client's states that mean something here; any other changes nothing.
std::optional<RegistrationState> typed(RtcRegistrationState state)
{
    switch (state) {
    case RTCRS_NOT_REGISTERED:
        return RegistrationState::NotRegistered;
    case RTCRS_REGISTERING:
        return RegistrationState::Registering;
    case RTCRS_REGISTERED:
        return RegistrationState::Registered;
    case RTCRS_REJECTED:
        return RegistrationState::Rejected;
    case RTCRS_LOGGED_OFF:
        return RegistrationState::LoggedOff;
    default:
        return std::nullopt;
    }
}

} // namespace

Registration::Registration(AppState &state, const ReadyClient &client, QObject *parent)
    : QObject(parent)
    , m_app(state)
    , m_client(client)
{
}

void Registration::registerProfile()
{
    const LoginValues &v = m_app.login;
    m_server = v.strLoginSIPIP;
    m_xmlProfile = QString::fromStdString(buildProvisioningProfile(v.strUserName.toStdString(),
        v.strDisplayName.toStdString(), v.strPassword.toStdString(), m_server.toStdString()));
    RtcClient *rtc = m_client.get();
    RtcProvisioning *provisioning = rtc ? rtc->provisioning() : nullptr;
    if (!provisioning)
        return;
    std::shared_ptr<RtcProfile> profile = provisioning->createProfile(m_xmlProfile.toStdString());
    if (!profile)
        return;
    m_profile = profile;
    provisioning->enableProfile(m_profile,
        RTCRF_REGISTER_INVITE_SESSIONS | RTCRF_REGISTER_MESSAGE_SESSIONS | RTCRF_REGISTER_PRESENCE);
}

void Registration::handle(RtcRegistrationState state)
{
    m_app.blnStartupLogin = false;
    if (const std::optional<RegistrationState> now = typed(state)) {
        m_state = *now;
        emit stateChanged(*now);
    }
}

} // namespace ralu
