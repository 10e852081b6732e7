#include "sip/LinphoneRtcClient.h"

#include "audio/WavePcm.h"

#include <linphone++/linphone.hh>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QThread>
#include <QTimer>

#include <cmath>

namespace ralu {

namespace {

constexpr int kIterateMs = 20;
constexpr const char *kRingFileName = "ring.wav";
// 16-bit copy of the last 8-bit sound played, and the largest file copied.
constexpr const char *kLocalSoundFileName = "local-sound.wav";
constexpr qint64 kLargestCopiedSound = 1 << 20;
constexpr const char *kConfigFileName = "linphonerc";
constexpr const char *kPluginFolderName = "msplugins";

// Ring burst: 440 Hz + 480 Hz (the North American ring), 1 s, 8 kHz 16-bit
// mono, 20 ms fades so it starts and stops without a click, then 0.6 s of
// silence: liblinphone tears the sound stream down when the file ends, and
// with PulseAudio the last few hundred milliseconds still in its buffer are
// lost (a bare 1 s burst is heard as about 0.7 s). The whole file stays
// shorter than the application's 2 s ring period.
constexpr int kRingRate = 8000;
constexpr int kRingMs = 1000;
constexpr int kRingTailMs = 600;
constexpr int kRingFadeMs = 20;

// Volume level <-> software gain. Level 32768 is 0 dB; the level is an
// amplitude factor (level / 32768), so 65535 is +6 dB, 16384 is -6 dB,
// 3277 is -20 dB. Level 0 is "silent" and stored as kSilentDb, which reads
// back as 0.
constexpr double kUnityLevel = 32768.0;
constexpr float kSilentDb = -120.0f;

std::string folderWithSlash(const QString &path)
{
    QString p = QDir::cleanPath(path);
    if (!p.endsWith(QLatin1Char('/')))
        p += QLatin1Char('/');
    return QFile::encodeName(p).toStdString();
}

std::string localPath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

bool makeOwnerOnlyFolder(const QString &path)
{
    QDir dir;
    if (!dir.mkpath(path))
        return false;
    return QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                           | QFileDevice::ExeOwner);
}

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

bool isUdp(const std::string &protocol)
{
    return QString::fromStdString(protocol).compare(QLatin1String("UDP"), Qt::CaseInsensitive) == 0;
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

} // namespace

// ---------------------------------------------------------------- objects

class LinphoneRtcParticipant : public RtcParticipant {
public:
    LinphoneRtcParticipant(std::string uri, std::string name)
        : m_uri(std::move(uri)), m_name(std::move(name)) {}
    std::string userUri() const override { return m_uri; }
    std::string name() const override { return m_name; }

private:
    std::string m_uri;
    std::string m_name;
};

class LinphoneRtcProfile : public RtcProfile {
public:
    LinphoneRtcProfile(std::string xml, ProfileAccount account)
        : m_xml(std::move(xml)), m_account(std::move(account)) {}
    std::string xml() const override { return m_xml; }
    const ProfileAccount &account() const { return m_account; }

private:
    std::string m_xml;
    ProfileAccount m_account;
};

class LinphoneRtcSession : public RtcSession {
public:
    LinphoneRtcSession(LinphoneRtcClient *client, std::shared_ptr<RtcProfile> profile)
        : m_client(client), m_profile(std::move(profile)) {}

    RtcSessionState state() const override { return m_state; }

    std::vector<std::shared_ptr<RtcParticipant>> participants() const override
    {
        if (!m_participant)
            return {};
        return {m_participant};
    }

    bool answer() override;
    bool terminate(RtcTerminateReason reason) override;
    std::shared_ptr<RtcParticipant> addParticipant(const std::string &address,
                                                   const std::string &name) override;

    QPointer<LinphoneRtcClient> m_client;
    std::shared_ptr<RtcProfile> m_profile;
    std::shared_ptr<linphone::Call> m_call; // null before the call and after it is released
    std::shared_ptr<RtcParticipant> m_participant;
    std::weak_ptr<LinphoneRtcSession> m_self;
    RtcSessionState m_state = RTCSS_IDLE;  // last state delivered to the handler
    RtcSessionState m_queued = RTCSS_IDLE; // last state queued
};

bool LinphoneRtcSession::answer()
{
    if (!m_client || !m_call || !m_client->m_core)
        return false;
    const auto st = m_call->getState();
    if (st != linphone::Call::State::IncomingReceived
        && st != linphone::Call::State::IncomingEarlyMedia)
        return false;
    auto params = m_client->m_core->createCallParams(m_call);
    if (!params)
        return false;
    params->enableAudio(true);
    params->enableVideo(false);
    // ANSWERING goes into the queue before whatever accept() reports.
    const RtcSessionState before = m_queued;
    const auto self = m_self.lock();
    m_client->queueSessionState(self, RTCSS_ANSWERING);
    if (m_call->acceptWithParams(params) != 0) {
        // Take the ANSWERING back if it has not been delivered yet.
        auto &q = m_client->m_queue;
        for (auto it = q.rbegin(); it != q.rend(); ++it) {
            if (it->type == RTCE_SESSION_STATE_CHANGE && it->session == self
                && it->sessionState == RTCSS_ANSWERING) {
                q.erase(std::next(it).base());
                if (m_queued == RTCSS_ANSWERING)
                    m_queued = before;
                break;
            }
        }
        return false;
    }
    return true;
}

bool LinphoneRtcSession::terminate(RtcTerminateReason reason)
{
    if (!m_client || !m_call || !m_client->m_core)
        return false;
    using S = linphone::Call::State;
    const auto st = m_call->getState();
    if (st == S::End || st == S::Error || st == S::Released)
        return false;
    if (st == S::IncomingReceived || st == S::IncomingEarlyMedia) {
        // Still ringing in: refuse it with a reason the caller sees.
        linphone::Reason why = linphone::Reason::Declined; // 603
        switch (reason) {
        case RTCTR_BUSY: why = linphone::Reason::Busy; break;                 // 486
        case RTCTR_DND: why = linphone::Reason::DoNotDisturb; break;          // 600
        case RTCTR_TIMEOUT: why = linphone::Reason::NotAnswered; break;       // 480
        case RTCTR_REJECT:
        case RTCTR_NORMAL:
        case RTCTR_SHUTDOWN: why = linphone::Reason::Declined; break;         // 603
        }
        return m_call->decline(why) == 0;
    }
    // Outgoing not answered yet: CANCEL; established: BYE.
    return m_call->terminate() == 0;
}

std::shared_ptr<RtcParticipant> LinphoneRtcSession::addParticipant(const std::string &address,
                                                                   const std::string &name)
{
    if (!m_client || m_call || m_participant)
        return nullptr; // one called party per session
    auto call = m_client->invite(this, m_profile, address, name);
    if (!call)
        return nullptr;
    return m_participant;
}

// ---------------------------------------------------------------- listener

class LinphoneRtcClient::CoreEvents : public linphone::CoreListener {
public:
    explicit CoreEvents(LinphoneRtcClient *client) : m_client(client) {}
    void detach() { m_client = nullptr; }

    void onAccountRegistrationStateChanged(const std::shared_ptr<linphone::Core> &,
                                           const std::shared_ptr<linphone::Account> &account,
                                           linphone::RegistrationState state,
                                           const std::string &message) override
    {
        if (m_client)
            m_client->onRegistrationState(account, int(state), message);
    }

    void onCallStateChanged(const std::shared_ptr<linphone::Core> &,
                            const std::shared_ptr<linphone::Call> &call, linphone::Call::State state,
                            const std::string &message) override
    {
        if (m_client)
            m_client->onCallState(call, int(state), message);
    }

private:
    LinphoneRtcClient *m_client;
};

class LinphoneRtcClient::Provisioning : public RtcProvisioning {
public:
    explicit Provisioning(LinphoneRtcClient *client) : m_client(client) {}
    std::shared_ptr<RtcProfile> createProfile(const std::string &xml) override
    {
        return m_client->createProfile(xml);
    }
    bool enableProfile(const std::shared_ptr<RtcProfile> &profile, long registerFlags) override
    {
        return m_client->enableProfile(profile, registerFlags);
    }

private:
    LinphoneRtcClient *m_client;
};

// ---------------------------------------------------------------- client

LinphoneRtcClient::LinphoneRtcClient(const QString &stateDir, QObject *parent)
    : QObject(parent), m_stateDir(QDir::cleanPath(stateDir))
{
    makeOwnerOnlyFolder(m_stateDir);
}

LinphoneRtcClient::~LinphoneRtcClient()
{
    shutdown();
}

QString LinphoneRtcClient::ringFile() const
{
    return m_stateDir + QLatin1Char('/') + QLatin1String(kRingFileName);
}

bool LinphoneRtcClient::prepareFolders()
{
    if (m_stateDir.isEmpty() || !makeOwnerOnlyFolder(m_stateDir))
        return false;
    // An empty plugin folder: mediastreamer2 then loads no plugin (its video
    // plugin would bring Qt 5 into the process).
    return makeOwnerOnlyFolder(m_stateDir + QLatin1Char('/') + QLatin1String(kPluginFolderName));
}

bool LinphoneRtcClient::writeRingFile() const
{
    const int samples = kRingRate * kRingMs / 1000;
    const int total = samples + kRingRate * kRingTailMs / 1000;
    const int fade = kRingRate * kRingFadeMs / 1000;
    const quint32 dataBytes = quint32(total) * 2;
    const QString path = ringFile();
    if (QFileInfo(path).size() == qint64(44 + dataBytes))
        return true;

    QByteArray wav;
    wav.reserve(int(44 + dataBytes));
    auto u32 = [&wav](quint32 v) {
        for (int i = 0; i < 4; ++i)
            wav.append(char((v >> (8 * i)) & 0xff));
    };
    auto u16 = [&wav](quint16 v) {
        wav.append(char(v & 0xff));
        wav.append(char((v >> 8) & 0xff));
    };
    wav.append("RIFF", 4);
    u32(36 + dataBytes);
    wav.append("WAVE", 4);
    wav.append("fmt ", 4);
    u32(16);
    u16(1);              // PCM
    u16(1);              // mono
    u32(kRingRate);      // sample rate
    u32(kRingRate * 2);  // bytes per second
    u16(2);              // block align
    u16(16);             // bits per sample
    wav.append("data", 4);
    u32(dataBytes);
    for (int i = 0; i < samples; ++i) {
        const double t = double(i) / kRingRate;
        double env = 1.0;
        if (i < fade)
            env = double(i) / fade;
        else if (i >= samples - fade)
            env = double(samples - 1 - i) / fade;
        const double v = 0.35 * env * (std::sin(2 * M_PI * 440 * t) + std::sin(2 * M_PI * 480 * t));
        u16(quint16(qint16(std::lround(v * 32767.0))));
    }
    for (int i = samples; i < total; ++i)
        u16(0);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(wav);
    if (!file.commit())
        return false;
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

bool LinphoneRtcClient::initialize()
{
    if (m_initialized)
        return true;
    // Liblinphone is not thread-safe: the core lives on the event-loop thread.
    if (QCoreApplication::instance() && QThread::currentThread() != QCoreApplication::instance()->thread())
        return false;
    if (!prepareFolders())
        return false;
    writeRingFile(); // a missing ring only silences playRing

    // Quiet: liblinphone logs about 100 lines a second at its default level.
    linphone::LoggingService::get()->setLogLevel(linphone::LogLevel::Error);

    auto factory = linphone::Factory::get();
    // Every file liblinphone writes goes into the state folder; the names
    // are glued to these folders, hence the trailing '/'.
    factory->setConfigDir(folderWithSlash(m_stateDir));
    factory->setDataDir(folderWithSlash(m_stateDir));
    factory->setDownloadDir(folderWithSlash(m_stateDir));
    factory->setMspluginsDir(folderWithSlash(m_stateDir + QLatin1Char('/') + QLatin1String(kPluginFolderName)));

    const QString configPath = m_stateDir + QLatin1Char('/') + QLatin1String(kConfigFileName);
    auto config = factory->createConfig(localPath(configPath));
    if (!config)
        return false;
    // Accounts and credentials of an earlier run: the application enables
    // its profile itself.
    for (const std::string &section : config->getSectionsNamesList()) {
        if (section.rfind("proxy_", 0) == 0 || section.rfind("auth_info_", 0) == 0
            || section.rfind("call_log_", 0) == 0)
            config->cleanSection(section);
    }
    // Settings that must be in place before the core exists.
    config->setInt("sip", "auto_net_state_mon", 0); // the application says when the network is up
    config->setInt("sip", "store_auth_info", 0);    // passwords stay in memory
    config->setInt("sound", "tone_indications", 0); // no call-waiting / on-hold / end beeps
    // No history kept by liblinphone (the application keeps its own): no
    // main database (chat, call logs, conference info), no legacy call-log
    // database, no ZRTP cache, no call logs in linphonerc.
    config->setString("storage", "uri", "null");
    config->setString("storage", "call_logs_db_uri", "null");
    config->setString("storage", "zrtp_secrets_db_uri", "null");
    config->setInt("misc", "history_max_size", 0);
    config->setInt("net", "friendlist_subscription_enabled", 0);

    std::shared_ptr<linphone::Core> core;
    try {
        core = factory->createCoreWithConfig(config, nullptr);
    } catch (...) {
        core.reset();
    }
    if (!core)
        return false;

    m_coreEvents = std::make_shared<CoreEvents>(this);
    core->addListener(m_coreEvents);

    const QString version = QCoreApplication::applicationVersion();
    core->setUserAgent("Ralu", version.isEmpty() ? std::string("0") : version.toStdString());

    // SIP over UDP only, on a random local port (a provider may listen on
    // 5060 of the same host).
    auto transports = factory->createTransports();
    transports->setUdpPort(-1);
    transports->setTcpPort(0);
    transports->setTlsPort(0);
    transports->setDtlsPort(0);
    core->setTransports(transports);
    core->setAudioPort(-1);           // random RTP port
    core->removeSupportedTag("gruu"); // a GRUU contact loses the ACK/BYE of incoming calls

    // Nothing audible unless the application asks for it.
    core->setRing("");
    core->setRingback("");
    core->setRemoteRingbackTone("");
    core->setRingDuringIncomingEarlyMedia(false);
    for (int r = int(linphone::Reason::None); r <= int(linphone::Reason::Transferred); ++r)
        core->setCallErrorTone(linphone::Reason(r), "");

    // Audio calls only.
    auto videoPolicy = factory->createVideoActivationPolicy();
    videoPolicy->setAutomaticallyAccept(false);
    videoPolicy->setAutomaticallyInitiate(false);
    core->setVideoActivationPolicy(videoPolicy);
    core->enableVideoCapture(false);
    core->enableVideoDisplay(false);
    core->enableVideoPreview(false);

    // Touch tones as RFC 2833 telephone events.
    core->setUseRfc2833ForDtmf(true);
    core->setUseInfoForDtmf(false);

    // Nothing the application did not ask for: no presence, no friend
    // list subscriptions, no instant messages (refused with 488), no
    // liblinphone-side ring timeout (the application decides how long an
    // incoming call rings). Liblinphone never answers by itself.
    core->enableFriendListSubscription(false);
    core->disableChat(linphone::Reason::NotAcceptable);
    core->setIncTimeout(24 * 3600);

    core->setNetworkReachable(true);

    if (core->start() != 0) {
        core->removeListener(m_coreEvents);
        m_coreEvents->detach();
        m_coreEvents.reset();
        return false;
    }
    // Whatever an earlier run left in the core (nothing, normally: their
    // sections were removed from the configuration above).
    core->clearAccounts();
    core->clearAllAuthInfo();
    core->clearCallLogs();

    m_core = core;
    m_provisioning = std::make_unique<Provisioning>(this);
    m_iterateTimer = new QTimer(this);
    m_iterateTimer->setInterval(kIterateMs);
    connect(m_iterateTimer, &QTimer::timeout, this, &LinphoneRtcClient::iterateCore);
    m_iterateTimer->start();
    m_initialized = true;
    return true;
}

void LinphoneRtcClient::iterateCore()
{
    if (!m_core)
        return;
    m_core->iterate();
    // Delivery runs from its own zero timer, not from this slot: Qt does not
    // fire a timer again while its slot is still running, and the handler
    // may run a nested event loop (a modal box) during which the core must
    // keep iterating.
    if (!m_queue.empty())
        scheduleDelivery();
}

bool LinphoneRtcClient::setEventFilter(long filter)
{
    m_filter = filter;
    return true;
}

bool LinphoneRtcClient::setEventHandler(RtcEventHandler handler)
{
    m_handler = std::move(handler);
    if (!m_queue.empty())
        scheduleDelivery();
    return true;
}

bool LinphoneRtcClient::setListenForIncomingSessions(RtcListenMode mode)
{
    m_listenMode = mode;
    return true;
}

bool LinphoneRtcClient::setPreferredMediaTypes(long mediaTypes, bool persistent)
{
    Q_UNUSED(persistent);
    // Audio is the only medium; video stays off whatever is asked.
    return (mediaTypes & (RTCMT_AUDIO_SEND | RTCMT_AUDIO_RECEIVE)) != 0;
}

RtcProvisioning *LinphoneRtcClient::provisioning()
{
    return m_initialized ? m_provisioning.get() : nullptr;
}

// ---------------------------------------------------------------- profile

std::shared_ptr<RtcProfile> LinphoneRtcClient::createProfile(const std::string &xml)
{
    const auto account = parseProvisioningProfile(xml);
    if (!account || account->userName.empty())
        return nullptr;
    if (!isUdp(account->registrarProtocol))
        return nullptr;
    if (!account->proxy.empty() && !account->proxyProtocol.empty() && !isUdp(account->proxyProtocol))
        return nullptr;
    return std::make_shared<LinphoneRtcProfile>(xml, *account);
}

bool LinphoneRtcClient::enableProfile(const std::shared_ptr<RtcProfile> &profile, long registerFlags)
{
    auto p = std::dynamic_pointer_cast<LinphoneRtcProfile>(profile);
    if (!m_core || !p)
        return false;
    const ProfileAccount &a = p->account();
    auto factory = linphone::Factory::get();

    // Registrar and proxy are the same server S (a bare IP, or IP:port).
    const std::string server = a.proxy.empty() ? a.registrar : a.proxy;
    auto identity = factory->createAddress("sip:" + a.registrar);
    auto serverAddress = factory->createAddress("sip:" + server + ";transport=udp");
    if (!identity || !serverAddress || identity->getDomain().empty())
        return false;
    identity->setUsername(a.userName);
    if (!a.displayName.empty())
        identity->setDisplayName(a.displayName);

    // One account at a time: the previous one goes, with its credentials.
    if (m_account) {
        m_core->removeAccount(m_account);
        m_account.reset();
    }
    if (m_authInfo) {
        m_core->removeAuthInfo(m_authInfo);
        m_authInfo.reset();
    }
    m_lastRegistrationState = -1;

    auto params = m_core->createAccountParams();
    if (!params || params->setIdentityAddress(identity) != 0
        || params->setServerAddress(serverAddress) != 0)
        return false;
    params->enableOutboundProxy(true); // every request goes to S
    params->setExpires(a.expires);
    params->enablePublish(false);
    params->enableRegister((registerFlags & RTCRF_REGISTER_INVITE_SESSIONS) != 0);

    auto account = m_core->createAccount(params);
    if (!account)
        return false;
    // Realm left empty: the credentials answer any realm of domain S.
    auto auth = factory->createAuthInfo(a.userName, "", a.password, "", "", identity->getDomain());
    m_core->addAuthInfo(auth);
    m_authInfo = auth;
    m_account = account; // before addAccount: its first state arrives from inside
    if (m_core->addAccount(account) != 0) {
        m_account.reset();
        m_core->removeAuthInfo(auth);
        m_authInfo.reset();
        return false;
    }
    m_core->setDefaultAccount(account);
    return true;
}

// Liblinphone registration state -> RtcRegistrationState. -1: no event.
//
//   liblinphone RegistrationState   error reason                    RtcRegistrationState
//   ------------------------------  ------------------------------  --------------------
//   None                            -                               NOT_REGISTERED
//   Progress                        -                               REGISTERING
//   Ok                              -                               REGISTERED
//   Cleared                         -                               LOGGED_OFF
//   Failed                          Unauthorized (401, 407),        REJECTED
//                                   Forbidden (403)
//   Failed                          anything else (io error,        ERROR
//                                   timeout, 5xx, not found...)
//   (Refreshing: not reported by this liblinphone; a refresh shows as
//   Ok again and is dropped as a repeat by the caller)
int LinphoneRtcClient::registrationStateFor(int state, int reason)
{
    switch (linphone::RegistrationState(state)) {
    case linphone::RegistrationState::None:
        return RTCRS_NOT_REGISTERED;
    case linphone::RegistrationState::Progress:
        return RTCRS_REGISTERING;
    case linphone::RegistrationState::Ok:
        return RTCRS_REGISTERED;
    case linphone::RegistrationState::Cleared:
        return RTCRS_LOGGED_OFF;
    case linphone::RegistrationState::Failed:
        switch (linphone::Reason(reason)) {
        case linphone::Reason::Unauthorized:
        case linphone::Reason::Forbidden:
            return RTCRS_REJECTED;
        default:
            return RTCRS_ERROR;
        }
    }
    return -1;
}

void LinphoneRtcClient::onRegistrationState(const std::shared_ptr<linphone::Account> &account,
                                            int state, const std::string &message)
{
    // Only the enabled account speaks; a removed one unregistering is not news.
    if (!account || account != m_account)
        return;
    const auto info = account->getErrorInfo();
    const int reason = int(account->getError());
    const int mapped = registrationStateFor(state, reason);
    if (mapped < 0 || mapped == m_lastRegistrationState)
        return; // a refresh (Ok again) must not announce a second registration
    m_lastRegistrationState = mapped;

    RtcEvent e;
    e.type = RTCE_REGISTRATION_STATE_CHANGE;
    e.registrationState = RtcRegistrationState(mapped);
    if (info && info->getProtocolCode() > 0) {
        e.statusCode = info->getProtocolCode();
        e.statusText = info->getPhrase();
    } else if (mapped == RTCRS_REGISTERED) {
        e.statusCode = 200;
        e.statusText = "OK";
    }
    if (e.statusText.empty())
        e.statusText = message;
    queueEvent(std::move(e));
}

// ---------------------------------------------------------------- calls

std::shared_ptr<RtcSession> LinphoneRtcClient::createSession(RtcSessionType type,
                                                             const std::string *localPhoneUri,
                                                             const std::shared_ptr<RtcProfile> &profile,
                                                             long flags)
{
    Q_UNUSED(localPhoneUri);
    Q_UNUSED(flags);
    if (!m_core || (type != RTCST_PC_TO_PHONE && type != RTCST_PC_TO_PC))
        return nullptr;
    auto session = std::make_shared<LinphoneRtcSession>(this, profile);
    session->m_self = session;
    return session;
}

std::shared_ptr<linphone::Call> LinphoneRtcClient::invite(LinphoneRtcSession *session,
                                                          const std::shared_ptr<RtcProfile> &profile,
                                                          const std::string &address,
                                                          const std::string &name)
{
    if (!m_core || !m_account)
        return nullptr;
    // A profile other than the enabled one has no account to call with.
    if (profile) {
        auto p = std::dynamic_pointer_cast<LinphoneRtcProfile>(profile);
        auto current = m_account->getParams();
        if (!p || !current)
            return nullptr;
        const auto id = current->getIdentityAddress();
        if (!id || id->getUsername() != p->account().userName)
            return nullptr;
    }
    auto to = linphone::Factory::get()->createAddress(address);
    if (!to || to->getDomain().empty())
        return nullptr;
    if (!name.empty())
        to->setDisplayName(name); // To: "Name" <sip:number@server>

    auto params = m_core->createCallParams(nullptr);
    if (!params)
        return nullptr;
    params->enableAudio(true);
    params->enableVideo(false);
    // The enabled account is the default one; its proxy configuration
    // carries the call to S.
    if (auto proxy = m_core->getDefaultProxyConfig())
        params->setProxyConfig(proxy);

    auto self = session->m_self.lock();
    session->m_participant = std::make_shared<LinphoneRtcParticipant>(plainUri(to), name);
    m_placing = self;
    std::shared_ptr<linphone::Call> call;
    try {
        call = m_core->inviteAddressWithParams(to, params);
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

std::shared_ptr<LinphoneRtcSession> LinphoneRtcClient::sessionFor(const std::shared_ptr<linphone::Call> &call,
                                                                  bool create)
{
    const void *key = call->cPtr();
    auto it = m_sessions.find(key);
    if (it != m_sessions.end())
        return it->second;
    if (!create)
        return nullptr;
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

void LinphoneRtcClient::onCallState(const std::shared_ptr<linphone::Call> &call, int stateValue,
                                    const std::string &message)
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
        if ((state == S::IncomingReceived || state == S::IncomingEarlyMedia)
            && m_listenMode == RTCLM_NONE) {
            // Not listening: refuse without bothering the application.
            m_refusedCalls.insert(key);
            call->decline(linphone::Reason::TemporarilyUnavailable); // 480
            return;
        }
    }
    auto session = sessionFor(call, true);

    const int mapped = sessionStateFor(state, session->m_queued);
    if (mapped >= 0) {
        int code = 0;
        std::string text;
        if (mapped == RTCSS_DISCONNECTED) {
            if (const auto info = call->getErrorInfo()) {
                code = info->getProtocolCode();
                text = info->getPhrase();
            }
        }
        if (text.empty())
            text = message;
        queueSessionState(session, RtcSessionState(mapped), code, text);
    }

    if (state == S::Released) {
        m_sessions.erase(key);
        session->m_call.reset();
    }
}

// ---------------------------------------------------------------- events

void LinphoneRtcClient::queueSessionState(const std::shared_ptr<LinphoneRtcSession> &session,
                                          RtcSessionState state, int statusCode,
                                          const std::string &statusText)
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
    queueEvent(std::move(e));
}

void LinphoneRtcClient::queueEvent(RtcEvent event)
{
    m_queue.push_back(std::move(event));
    // Events queued outside iterate() (from answer(), terminate()...) are
    // delivered from the event loop too, never from inside the call.
    scheduleDelivery();
}

void LinphoneRtcClient::scheduleDelivery()
{
    if (m_deliveryScheduled)
        return;
    m_deliveryScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_deliveryScheduled = false;
        deliverOne();
    });
}

void LinphoneRtcClient::deliverOne()
{
    // Never while the handler runs: a nested event loop inside it (a modal
    // message box) keeps iterating, and its events wait for the handler to
    // return.
    if (m_inHandler || m_holds > 0 || m_queue.empty())
        return;
    RtcEvent e = std::move(m_queue.front());
    m_queue.pop_front();

    if (e.type == RTCE_SESSION_STATE_CHANGE && e.session)
        static_cast<LinphoneRtcSession *>(e.session.get())->m_state = e.sessionState;

    long bit = 0;
    switch (e.type) {
    case RTCE_CLIENT: bit = RTCEF_CLIENT; break;
    case RTCE_REGISTRATION_STATE_CHANGE: bit = RTCEF_REGISTRATION_STATE_CHANGE; break;
    case RTCE_SESSION_STATE_CHANGE: bit = RTCEF_SESSION_STATE_CHANGE; break;
    case RTCE_SESSION_OPERATION_COMPLETE: bit = RTCEF_SESSION_OPERATION_COMPLETE; break;
    case RTCE_PARTICIPANT_STATE_CHANGE: bit = RTCEF_PARTICIPANT_STATE_CHANGE; break;
    case RTCE_MEDIA: bit = RTCEF_MEDIA; break;
    }
    if (m_handler && (m_filter & bit)) {
        QPointer<LinphoneRtcClient> alive(this);
        const RtcEventHandler handler = m_handler; // the handler may replace itself
        m_inHandler = true;
        handler(e.type, e);
        if (!alive)
            return;
        m_inHandler = false;
    }
    // The rest, one per event-loop turn.
    if (!m_queue.empty())
        scheduleDelivery();
}

void LinphoneRtcClient::holdEvents()
{
    ++m_holds;
}

void LinphoneRtcClient::releaseEvents()
{
    if (m_holds > 0)
        --m_holds;
    // From the event loop, after whatever released the hold has returned.
    if (m_holds == 0 && !m_queue.empty())
        scheduleDelivery();
}

// ---------------------------------------------------------------- audio

float LinphoneRtcClient::levelToGainDb(long level)
{
    if (level <= 0)
        return kSilentDb;
    if (level > RTC_VOLUME_MAX)
        level = RTC_VOLUME_MAX;
    return float(20.0 * std::log10(double(level) / kUnityLevel));
}

long LinphoneRtcClient::gainDbToLevel(float gainDb)
{
    if (gainDb <= kSilentDb)
        return 0;
    const double level = kUnityLevel * std::pow(10.0, double(gainDb) / 20.0);
    if (level >= RTC_VOLUME_MAX)
        return RTC_VOLUME_MAX;
    return std::lround(level);
}

bool LinphoneRtcClient::getVolume(RtcAudioDevice device, long *level)
{
    if (!m_core || !level)
        return false;
    switch (device) {
    case RTCAD_SPEAKER:
        *level = gainDbToLevel(m_core->getPlaybackGainDb());
        return true;
    case RTCAD_MICROPHONE:
        *level = gainDbToLevel(m_core->getMicGainDb());
        return true;
    }
    return false;
}

bool LinphoneRtcClient::putVolume(RtcAudioDevice device, long level)
{
    if (!m_core || level < 0 || level > RTC_VOLUME_MAX)
        return false;
    switch (device) {
    case RTCAD_SPEAKER:
        m_core->setPlaybackGainDb(levelToGainDb(level));
        return true;
    case RTCAD_MICROPHONE:
        m_core->setMicGainDb(levelToGainDb(level));
        return true;
    }
    return false;
}

bool LinphoneRtcClient::playRing(RtcRingType type, bool play)
{
    if (!m_core)
        return false;
    if (!play) {
        m_core->stopRinging();
        return true;
    }
    if (type != RTCRT_PHONE)
        return false; // only the phone ring exists
    if (!writeRingFile())
        return false;
    return m_core->playLocal(localPath(ringFile())) == 0;
}

bool LinphoneRtcClient::playFile(const QString &path)
{
    if (!m_core)
        return false;
    // The player reads 16-bit PCM only; an 8-bit file (a key tone) is played
    // from a 16-bit copy in the state folder.
    QString playable = path;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && file.size() <= kLargestCopiedSound) {
        if (const auto copy = sixteenBitCopyOfEightBitWave(file.readAll())) {
            playable = m_stateDir + QLatin1Char('/') + QLatin1String(kLocalSoundFileName);
            QFile out(playable);
            if (!out.open(QIODevice::WriteOnly) || out.write(*copy) != copy->size())
                return false;
        }
    }
    // Shares the ring's player: a new sound cuts the one still playing.
    return m_core->playLocal(localPath(playable)) == 0;
}

bool LinphoneRtcClient::sendDTMF(RtcDtmf digit)
{
    if (!m_core)
        return false;
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
    auto call = m_core->getCurrentCall();
    if (!call)
        return false;
    const auto st = call->getState();
    if (st != linphone::Call::State::StreamsRunning && st != linphone::Call::State::Connected)
        return false;
    return call->sendDtmf(c) == 0;
}

bool LinphoneRtcClient::invokeTuningWizard(unsigned long long parentWindow)
{
    Q_UNUSED(parentWindow);
    // The audio set-up window (devices, levels) arrives with the audio work;
    // until then there is nothing to open.
    return false;
}

void LinphoneRtcClient::useFilesForAudio(const QString &playWav, const QString &recordWav)
{
    if (!m_core)
        return;
    m_core->setUseFiles(true);
    m_core->setPlayFile(localPath(playWav));
    m_core->setRecordFile(localPath(recordWav));
}

// ---------------------------------------------------------------- shutdown

bool LinphoneRtcClient::shutdown()
{
    if (m_iterateTimer) {
        m_iterateTimer->stop();
        m_iterateTimer->deleteLater();
        m_iterateTimer = nullptr;
    }
    if (m_core) {
        // Sessions the application still holds stop touching liblinphone.
        for (auto &entry : m_sessions)
            entry.second->m_call.reset();
        m_sessions.clear();
        m_refusedCalls.clear();
        m_placing.reset();
        // Removing the account sends its un-REGISTER without waiting for the
        // answer; a registered account still in the core at stop() makes it
        // wait for that answer, up to 2 s when the server has gone away.
        if (m_account)
            m_core->removeAccount(m_account);
        m_account.reset();
        m_authInfo.reset();

        m_core->stop();
        m_core->removeListener(m_coreEvents);
        if (m_coreEvents)
            m_coreEvents->detach();
        m_coreEvents.reset();
        m_core.reset();
    }
    m_queue.clear();
    m_provisioning.reset();
    m_initialized = false;
    return true;
}

} // namespace ralu
