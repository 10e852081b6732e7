#include "engine/CallEngine.h"

namespace ralu {

CallEngine::CallEngine(AppState &state, RtcClient *client, QObject *parent)
    : QObject(parent)
    , m_state(state)
    , m_client(client)
    , m_registration(state, m_client)
    , m_session(m_client, m_registration)
    , m_presenter(state)
    , m_attention(state, m_client)
{
    connect(&m_registration, &Registration::stateChanged, &m_presenter, &MainPresenter::registrationChanged);
    m_session.addListener(&m_presenter);
    m_session.addListener(&m_attention);
}

CallEngine::~CallEngine()
{
    m_session.removeListener(&m_attention);
    m_session.removeListener(&m_presenter);
}

// ---------------------------------------------------------------- start-up

void CallEngine::prepareLoad()
{
    m_attention.prepareLoad();
    m_registration.reset();
    m_state.blnStartupLogin = true;
    m_state.login.strUserName.clear();
    m_state.login.strPassword.clear();
    m_presenter.prepareLoad();
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
    emit loginStepOver();
    initializeRTC();
    registerAccount();
    return true;
}

bool CallEngine::initializeRTC()
{
    RtcClient *rtc = m_client.raw();
    if (!rtc)
        return false;
    if (!rtc->initialize())
        return false;
    if (!rtc->setEventFilter(RTCEF_CLIENT | RTCEF_REGISTRATION_STATE_CHANGE | RTCEF_SESSION_STATE_CHANGE
            | RTCEF_MEDIA | RTCEF_SESSION_REFER_STATUS))
        return false;
    if (!rtc->setEventHandler([this](RtcEventType type, const RtcEvent &e) { onRtcEvent(type, e); }))
        return false;
    m_client.markReady(); // from here on the client exists, even if a step below fails
    if (!rtc->setListenForIncomingSessions(RTCLM_BOTH))
        return false;
    return rtc->setPreferredMediaTypes(RTCMT_AUDIO_SEND | RTCMT_AUDIO_RECEIVE, true);
}

void CallEngine::onRtcEvent(RtcEventType type, const RtcEvent &event)
{
    if (type == RTCE_REGISTRATION_STATE_CHANGE)
        m_registration.handle(event.registrationState);
    else if (type == RTCE_SESSION_STATE_CHANGE || type == RTCE_SESSION_REFER_STATUS)
        m_session.handle(event);
    // Media events, and any other, change nothing.
}

// -------------------------------------------------------------------- exit

void CallEngine::exitProgram()
{
    m_exitRequested = true;
    if (m_session.shutDown() && m_client.raw())
        m_client.raw()->shutdown();
    m_attention.stop();
    m_presenter.stop();
    emit exitRequested();
}

// ----------------------------------------------------------- client sound

void CallEngine::openAudioSetup(unsigned long long windowId)
{
    if (RtcClient *rtc = m_client.get())
        rtc->invokeTuningWizard(windowId);
}

bool CallEngine::audioLevel(RtcAudioDevice device, long *level)
{
    RtcClient *rtc = m_client.get();
    return rtc && rtc->getVolume(device, level);
}

bool CallEngine::setAudioLevel(RtcAudioDevice device, long level)
{
    RtcClient *rtc = m_client.get();
    return rtc && rtc->putVolume(device, level);
}

} // namespace ralu
