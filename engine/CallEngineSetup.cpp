// The call engine's start-up, registration, exit and the texts it shows.
#include "engine/CallEngine.h"

#include "engine/ProvisioningProfile.h"

#include <QCoreApplication>
#include <utility>

namespace ralu {

// ---------------------------------------------------------------- start-up

void CallEngine::prepareLoad()
{
    m_missedFrameRed = true;
    m_regState = RegistrationState::NotRegistered;
    m_state.blnStartupLogin = true;
    setIdleControls();
    m_calling = false;
    m_state.login.strUserName.clear();
    m_state.login.strPassword.clear();
    setStatusText(QString());
    setStatusText(QStringLiteral("Not logged in..."));
}

bool CallEngine::finishLoad()
{
    if (m_state.startupAbandoned || m_exitRequested)
        return false;
    m_state.blnPhoneBookOpen = false;
    LoginValues &v = m_state.login;
    if (v.strDisplayName.isEmpty())
        v.strDisplayName = v.strUserName;
    if (v.strPassword.isEmpty())
        v.strPassword = v.strUserName;
    updateBalance();
    initializeRTC();
    registerProfile();
    return true;
}

bool CallEngine::initializeRTC()
{
    if (!m_client)
        return false;
    if (!m_client->initialize())
        return false;
    if (!m_client->setEventFilter(
            RTCEF_CLIENT | RTCEF_REGISTRATION_STATE_CHANGE | RTCEF_SESSION_STATE_CHANGE | RTCEF_MEDIA))
        return false;
    if (!m_client->setEventHandler([this](RtcEventType type, const RtcEvent &e) { onRtcEvent(type, e); }))
        return false;
    m_clientReady = true; // from here on the client exists, even if a step below fails
    if (!m_client->setListenForIncomingSessions(RTCLM_BOTH))
        return false;
    return m_client->setPreferredMediaTypes(RTCMT_AUDIO_SEND | RTCMT_AUDIO_RECEIVE, true);
}

// ------------------------------------------------------------ registration

void CallEngine::registerProfile()
{
    const LoginValues &v = m_state.login;
    m_sipServer = v.strLoginSIPIP;
    m_xmlProfile = QString::fromStdString(buildProvisioningProfile(v.strUserName.toStdString(),
        v.strDisplayName.toStdString(), v.strPassword.toStdString(), m_sipServer.toStdString()));
    RtcClient *rtc = client();
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

void CallEngine::onRtcEvent(RtcEventType type, const RtcEvent &event)
{
    if (type == RTCE_REGISTRATION_STATE_CHANGE)
        registrationStateChanged(event);
    else if (type == RTCE_SESSION_STATE_CHANGE)
        sessionStateChanged(event);
    // Media events, and any other, change nothing.
}

void CallEngine::registrationStateChanged(const RtcEvent &event)
{
    m_state.blnStartupLogin = false;
    switch (event.registrationState) {
    case RTCRS_NOT_REGISTERED:
        m_regState = RegistrationState::NotRegistered;
        setStatusText(QStringLiteral("Not Registered"));
        setAccountLabel(QString());
        break;
    case RTCRS_REGISTERING:
        m_regState = RegistrationState::Registering;
        setAccountLabel(QString());
        setStatusText(QStringLiteral("Registering"));
        break;
    case RTCRS_REGISTERED:
        setAccountLabel(m_state.login.strUserName);
        m_regState = RegistrationState::Registered;
        setStatusText(QStringLiteral("Registered and Ready..."));
        // Paint the new status before the balance query holds the window.
        QCoreApplication::processEvents();
        updateBalance();
        break;
    case RTCRS_REJECTED:
        m_regState = RegistrationState::Rejected;
        setStatusText(QStringLiteral("Rejected"));
        setAccountLabel(QString());
        break;
    case RTCRS_LOGGED_OFF:
        m_regState = RegistrationState::LoggedOff;
        setStatusText(QStringLiteral("Logged off."));
        setAccountLabel(QString());
        break;
    default:
        break;
    }
}

void CallEngine::startReady(int ms)
{
    m_ready.setInterval(ms);
    m_ready.start();
    m_readyDue.arm();
}

void CallEngine::readyTick()
{
    m_ready.stop();
    const PendingReady due = std::exchange(m_readyDue, {});
    if (due.status())
        setStatusText(QStringLiteral("Registered and Ready.."));
    if (due.number())
        setNumberText(QString());
}

// -------------------------------------------------------------------- exit

void CallEngine::exitProgram()
{
    if (m_deferral.waiting()) {
        m_deferral.arrive(ExitTick);
        return;
    }
    m_exitRequested = true;
    bool ok = true;
    if (m_session && m_callState != CallState::Idle)
        ok = m_session->terminate(RTCTR_SHUTDOWN);
    if (ok && m_client)
        m_client->shutdown();
    stopFlash();
    for (QTimer *t : { &m_ring, &m_missedBlink, &m_ready, &m_connected })
        t->stop();
    emit exitRequested();
}

// ------------------------------------------------------------------- texts

void CallEngine::setStatusText(const QString &text)
{
    m_status = text;
    m_readyDue.keepStatus();
    emit statusTextChanged(text);
}

void CallEngine::setAccountLabel(const QString &text)
{
    m_accountLabel = text;
    emit accountLabelChanged(text);
}

void CallEngine::setBalanceText(const QString &text)
{
    m_balance = text;
    emit balanceTextChanged(text);
}

void CallEngine::setNumberText(const QString &text)
{
    if (m_number == text)
        return;
    m_number = text;
    m_readyDue.keepNumber();
    emit numberTextChanged(text);
}

void CallEngine::setCallTimeText(const QString &text)
{
    m_callTime = text;
    emit callTimeTextChanged(text);
}

void CallEngine::setAccountTimeText(const QString &text)
{
    m_accountTime = text;
    emit accountTimeTextChanged(text);
}

void CallEngine::setLoginButtonsEnabled(bool enabled)
{
    m_loginButtonsEnabled = enabled;
    emit loginButtonsEnabledChanged(enabled);
}

} // namespace ralu
