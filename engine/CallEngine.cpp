#include "engine/CallEngine.h"

#include "engine/ProvisioningProfile.h"

#include <QCoreApplication>

#include <algorithm>
#include <utility>

namespace ralu {

CallEngine::CallEngine(AppState &state, RtcClient *client, MessageBoxes &boxes, QObject *parent)
    : QObject(parent), m_state(state), m_client(client), m_boxes(boxes)
{
    m_ring.setInterval(2000);
    m_flash.setInterval(500);
    m_missedBlink.setInterval(500);
    m_ready.setInterval(2);
    m_connected.setInterval(1000);
    connect(&m_ring, &QTimer::timeout, this, [this] { timerFired(Deferred::Ring); });
    connect(&m_flash, &QTimer::timeout, this, [this] { timerFired(Deferred::Flash); });
    connect(&m_missedBlink, &QTimer::timeout, this, [this] { timerFired(Deferred::MissedBlink); });
    connect(&m_ready, &QTimer::timeout, this, [this] { timerFired(Deferred::Ready); });
    connect(&m_connected, &QTimer::timeout, this, [this] { timerFired(Deferred::Connected); });
}

// ---------------------------------------------------------------- start-up

void CallEngine::prepareLoad()
{
    m_missedFrameRed = true;
    m_regState = QStringLiteral("NOTREGISTERED");
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
    if (!m_client->setEventFilter(RTCEF_CLIENT | RTCEF_REGISTRATION_STATE_CHANGE
                                  | RTCEF_SESSION_STATE_CHANGE | RTCEF_MEDIA))
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
    m_xmlProfile = QString::fromStdString(buildProvisioningProfile(
        v.strUserName.toStdString(), v.strDisplayName.toStdString(), v.strPassword.toStdString(),
        m_sipServer.toStdString()));
    RtcClient *rtc = client();
    m_provisioning = rtc ? rtc->provisioning() : nullptr;
    if (!m_provisioning)
        return;
    std::shared_ptr<RtcProfile> profile = m_provisioning->createProfile(m_xmlProfile.toStdString());
    if (!profile)
        return;
    m_profile = profile;
    m_provisioning->enableProfile(m_profile, RTCRF_REGISTER_INVITE_SESSIONS
                                                 | RTCRF_REGISTER_MESSAGE_SESSIONS | RTCRF_REGISTER_PRESENCE);
}

void CallEngine::onRtcEvent(RtcEventType type, const RtcEvent &event)
{
    switch (type) {
    case RTCE_REGISTRATION_STATE_CHANGE:
        registrationStateChanged(event);
        break;
    case RTCE_SESSION_STATE_CHANGE:
        sessionStateChanged(event);
        break;
    case RTCE_MEDIA:
        // Media events are received and change nothing.
        break;
    default:
        break;
    }
}

void CallEngine::registrationStateChanged(const RtcEvent &event)
{
    m_state.blnStartupLogin = false;
    switch (event.registrationState) {
    case RTCRS_NOT_REGISTERED:
        m_regState = QStringLiteral("NOTREGISTERED");
        setStatusText(QStringLiteral("Not Registered"));
        setAccountLabel(QString());
        break;
    case RTCRS_REGISTERING:
        m_regState = QStringLiteral("REGISTERING");
        setAccountLabel(QString());
        setStatusText(QStringLiteral("Registering"));
        break;
    case RTCRS_REGISTERED:
        setAccountLabel(m_state.login.strUserName);
        m_regState = QStringLiteral("REGISTERED");
        setStatusText(QStringLiteral("Registered and Ready..."));
        // Paint the new status before the balance query holds the window.
        QCoreApplication::processEvents();
        updateBalance();
        break;
    case RTCRS_REJECTED:
        m_regState = QStringLiteral("REJECTED");
        setStatusText(QStringLiteral("Rejected"));
        setAccountLabel(QString());
        break;
    case RTCRS_LOGGED_OFF:
        m_regState = QStringLiteral("LOGGEDOFF");
        setStatusText(QStringLiteral("Logged off."));
        setAccountLabel(QString());
        break;
    default:
        break;
    }
}

void CallEngine::readyTick()
{
    setStatusText(QStringLiteral("Registered and Ready.."));
    setNumberText(QString());
    m_ready.stop();
}

// ---------------------------------------------------------------- sessions

QString CallEngine::userPart(const QString &address)
{
    const QStringList colon = address.split(QLatin1Char(':'));
    const QString afterScheme = colon.size() > 1 ? colon.at(1) : colon.at(0);
    return afterScheme.split(QLatin1Char('@')).at(0);
}

bool CallEngine::isCurrent(const std::shared_ptr<RtcSession> &session) const
{
    return m_session && session && m_session == session;
}

void CallEngine::sessionStateChanged(const RtcEvent &event)
{
    const std::shared_ptr<RtcSession> &session = event.session;

    if (event.sessionState == RTCSS_INCOMING) {
        if (m_state.blnInTray)
            emit restoreFromTrayRequested();
        // A call under way (connected, being answered or being placed) is
        // never displaced by a new offer: only an offer still ringing is.
        if (m_session && !isCurrent(session) && m_session->state() != RTCSS_INCOMING) {
            offerNotTaken(session);
            return;
        }
        m_incoming = 1;
        m_flash.start();
        m_ring.start();
        if (m_session && !isCurrent(session)) {
            // A second offer replaces one still ringing; the first is logged
            // as missed under its own number when it ends.
            m_untakenOffers[m_session.get()] = {m_session, m_callerNo};
        }
        m_session = session;
        const auto participants = session ? session->participants()
                                          : std::vector<std::shared_ptr<RtcParticipant>>{};
        if (participants.size() == 1) {
            m_participant = participants.front();
            m_callerNo = userPart(QString::fromStdString(m_participant->userUri()));
            setStatusText(QStringLiteral("Incoming: ") + m_callerNo);
        }
        return;
    }

    if (!isCurrent(session)) {
        if (event.sessionState == RTCSS_DISCONNECTED)
            untakenOfferEnded(session);
        return;
    }

    switch (event.sessionState) {
    case RTCSS_IDLE:
        setStatusText(QStringLiteral("IDLE"));
        break;
    case RTCSS_ANSWERING:
        m_ring.stop();
        m_flash.stop();
        break;
    case RTCSS_INPROGRESS:
        m_calling = true;
        setLoginButtonsEnabled(false);
        setStatusText(QStringLiteral("Inprogress"));
        break;
    case RTCSS_CONNECTED:
        connected();
        break;
    case RTCSS_DISCONNECTED:
        disconnected();
        break;
    default:
        break;
    }
}

void CallEngine::offerNotTaken(const std::shared_ptr<RtcSession> &session)
{
    // The user still sees that someone calls, but the connected call, its
    // caller number and its state stay as they are.
    m_flash.start();
    if (!session)
        return;
    QString number;
    const auto participants = session->participants();
    if (participants.size() == 1)
        number = userPart(QString::fromStdString(participants.front()->userUri()));
    m_untakenOffers[session.get()] = {session, number};
}

void CallEngine::untakenOfferEnded(const std::shared_ptr<RtcSession> &session)
{
    if (!session)
        return;
    auto it = m_untakenOffers.find(session.get());
    if (it == m_untakenOffers.end())
        return;
    const QString number = it->second.second;
    m_untakenOffers.erase(it);
    addRecentCall(number, 0);
    // Stop drawing attention once no offer is left ringing.
    if (m_untakenOffers.empty() && m_incoming == 0)
        m_flash.stop();
}

void CallEngine::connected()
{
    m_flash.stop();
    setLoginButtonsEnabled(false);
    if (m_ring.isActive())
        m_ring.stop();
    setStatusText(QStringLiteral("Connected"));
    runQuery(m_queryCreditTime);
    m_clock.resetElapsed();
    m_connected.start();
    setInCallControls();
    if (m_incoming == 1) {
        addRecentCall(m_callerNo, 1);
        m_incoming = 0;
    }
    updateBalance();
}

void CallEngine::disconnected()
{
    if (m_incoming == 1) {
        setMissedIndicator(true);
        m_missedBlink.start();
        m_connected.stop();
        addRecentCall(m_callerNo, 0);
        m_incoming = 0;
    }
    setLoginButtonsEnabled(true);
    setCallTimeText(QString());
    m_flash.stop();
    if (m_ring.isActive())
        m_ring.stop();
    m_calling = false;
    updateBalance();
    m_session.reset();
    m_participant.reset();
    setStatusText(QStringLiteral("Disconnected"));
    setIdleControls();
    m_ready.start();
    focusNumberBox();
}

void CallEngine::ringTick()
{
    if (RtcClient *rtc = client())
        rtc->playRing(RTCRT_PHONE, true);
}

void CallEngine::connectedTimerTick()
{
    m_clock.tick();
    setCallTimeText(m_clock.elapsedText());
    setAccountTimeText(m_clock.remainingText());
}

void CallEngine::missedBlinkTick()
{
    m_missedFrameRed = !m_missedFrameRed;
    emit missedIndicatorChanged(m_missedShown, m_missedFrameRed);
}

void CallEngine::acknowledgeMissedCalls()
{
    m_state.openRecentOnMissed = true;
    m_missedBlink.stop();
    setMissedIndicator(false);
}

void CallEngine::setMissedIndicator(bool shown)
{
    m_missedShown = shown;
    emit missedIndicatorChanged(m_missedShown, m_missedFrameRed);
}

// -------------------------------------------------------------------- exit

void CallEngine::exitProgram()
{
    if (m_queryDepth > 0) {
        timerFired(Deferred::Exit);
        return;
    }
    m_exitRequested = true;
    const QString upper = m_status.toUpper();
    bool ok = true;
    if (upper.left(8) == QLatin1String("INCOMING") || upper.left(9) == QLatin1String("CONNECTED")
        || upper == QLatin1String("INPROGRESS"))
        ok = m_session && m_session->terminate(RTCTR_SHUTDOWN);
    if (ok && m_client)
        m_client->shutdown();
    m_ring.stop();
    m_flash.stop();
    m_missedBlink.stop();
    m_ready.stop();
    m_connected.stop();
    emit exitRequested();
}

// ---------------------------------------------------------------- controls

void CallEngine::setIdleControls()
{
    m_inCallControls = false;
    m_connected.stop();
    emit controlsChanged(false);
}

void CallEngine::setInCallControls()
{
    m_inCallControls = true;
    emit controlsChanged(true);
}

void CallEngine::updateBalance()
{
    runQuery(m_updateBalance);
}

// ------------------------------------------------- waiting for the billing

void CallEngine::runQuery(const std::function<void()> &query)
{
    if (!query)
        return;
    // Most queries run inside the client's event handler, where the client
    // delivers nothing anyway; the hold covers those made outside it.
    RtcClient *const rtc = m_client;
    ++m_queryDepth;
    if (rtc)
        rtc->holdEvents();
    query();
    if (rtc)
        rtc->releaseEvents();
    --m_queryDepth;
    if (m_queryDepth == 0 && !m_deferred.empty() && !m_deferredScheduled) {
        // From the event loop: the handler that made the query finishes first.
        m_deferredScheduled = true;
        QTimer::singleShot(0, this, &CallEngine::runDeferred);
    }
}

void CallEngine::timerFired(Deferred what)
{
    if (m_queryDepth == 0) {
        runNow(what);
        return;
    }
    // Like a timer message that waits in the queue: one per timer.
    if (std::find(m_deferred.begin(), m_deferred.end(), what) == m_deferred.end())
        m_deferred.push_back(what);
}

void CallEngine::runDeferred()
{
    m_deferredScheduled = false;
    if (m_queryDepth > 0)
        return; // another query began; its end schedules the rest
    const std::vector<Deferred> pending = std::exchange(m_deferred, {});
    for (Deferred what : pending) {
        const QTimer *timer = nullptr;
        switch (what) {
        case Deferred::Ring: timer = &m_ring; break;
        case Deferred::Flash: timer = &m_flash; break;
        case Deferred::MissedBlink: timer = &m_missedBlink; break;
        case Deferred::Ready: timer = &m_ready; break;
        case Deferred::Connected: timer = &m_connected; break;
        case Deferred::Exit: break;
        }
        // A timer stopped since its tick arrived takes the tick with it.
        if (!timer || timer->isActive())
            runNow(what);
    }
}

void CallEngine::runNow(Deferred what)
{
    switch (what) {
    case Deferred::Ring: ringTick(); break;
    case Deferred::Flash: emit flashWindowRequested(); break;
    case Deferred::MissedBlink: missedBlinkTick(); break;
    case Deferred::Ready: readyTick(); break;
    case Deferred::Connected: connectedTimerTick(); break;
    case Deferred::Exit: exitProgram(); break;
    }
}

// ------------------------------------------------------------------- texts

void CallEngine::setStatusText(const QString &text)
{
    m_status = text;
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
