#include "sip/LinphoneCoreRunner.h"

#include "sip/LinphoneAccount.h"

#include <linphone++/linphone.hh>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QThread>
#include <QTimer>

namespace ralu {

namespace {

constexpr int kIterateMs = 20;
constexpr int kSipTransportDontBind = -2; // LC_SIP_TRANSPORT_DONTBIND
constexpr const char *kConfigFileName = "linphonerc";
constexpr const char *kPluginFolderName = "msplugins";

std::string folderWithSlash(const QString &path)
{
    QString p = QDir::cleanPath(path);
    if (!p.endsWith(QLatin1Char('/')))
        p += QLatin1Char('/');
    return QFile::encodeName(p).toStdString();
}

bool makeOwnerOnlyFolder(const QString &path)
{
    QDir dir;
    if (!dir.mkpath(path))
        return false;
    return QFile::setPermissions(
        path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// Settings that must be in place before the core exists.
void prepareConfig(const std::shared_ptr<linphone::Config> &config)
{
    // Accounts and credentials of an earlier run: the application enables
    // its profile itself.
    for (const std::string &section : config->getSectionsNamesList()) {
        if (section.rfind("proxy_", 0) == 0 || section.rfind("auth_info_", 0) == 0
            || section.rfind("call_log_", 0) == 0)
            config->cleanSection(section);
    }
    config->setInt("sip", "auto_net_state_mon", 0); // the application says when the network is up
    config->setInt("sip", "store_auth_info", 0); // passwords stay in memory
    // A failed registration is tried again after this long (liblinphone's
    // default is a minute).
    config->setInt("sip", "refresher_retry_after", LinphoneAccount::kRetryAfterMs);
    config->setInt("sound", "tone_indications", 0); // no call-waiting / on-hold / end beeps
    // No history kept by liblinphone (the application keeps its own): no
    // main database (chat, call logs, conference info), no legacy call-log
    // database, no ZRTP cache, no call logs in linphonerc.
    config->setString("storage", "uri", "null");
    config->setString("storage", "call_logs_db_uri", "null");
    config->setString("storage", "zrtp_secrets_db_uri", "null");
    config->setInt("misc", "history_max_size", 0);
    config->setInt("net", "friendlist_subscription_enabled", 0);
}

// Everything set on the core before it starts.
void configureCore(const std::shared_ptr<linphone::Core> &core)
{
    auto factory = linphone::Factory::get();
    const QString version = QCoreApplication::applicationVersion();
    core->setUserAgent("Ralu", version.isEmpty() ? std::string("0") : version.toStdString());

    // SIP over UDP only, and with the provider only: no listening socket.
    // Each request goes out on a socket of its own connected to its
    // destination (a random local port, bound to the address that reaches
    // it), so the kernel hands it nothing but that peer's datagrams: a
    // request sent straight to Ralu by anyone else is dropped (the sender
    // gets an ICMP port unreachable) before liblinphone sees it, and never
    // rings. Calls come through the provider, to the registered contact.
    auto transports = factory->createTransports();
    transports->setUdpPort(kSipTransportDontBind);
    transports->setTcpPort(0);
    transports->setTlsPort(0);
    transports->setDtlsPort(0);
    core->setTransports(transports);
    core->setAudioPort(-1); // random RTP port
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
}

} // namespace

class LinphoneCoreRunner::CoreEvents : public linphone::CoreListener {
public:
    explicit CoreEvents(Listeners listeners)
        : m_listeners(std::move(listeners))
    {
    }
    void detach() { m_listeners = Listeners(); }

    void onAccountRegistrationStateChanged(const std::shared_ptr<linphone::Core> &,
        const std::shared_ptr<linphone::Account> &account, linphone::RegistrationState state,
        const std::string &message) override
    {
        if (m_listeners.registration)
            m_listeners.registration(account, int(state), message);
    }

    void onCallStateChanged(const std::shared_ptr<linphone::Core> &,
        const std::shared_ptr<linphone::Call> &call, linphone::Call::State state,
        const std::string &message) override
    {
        if (m_listeners.call)
            m_listeners.call(call, int(state), message);
    }

private:
    Listeners m_listeners;
};

LinphoneCoreRunner::LinphoneCoreRunner(const QString &stateDir, QObject *parent)
    : QObject(parent)
    , m_stateDir(QDir::cleanPath(stateDir))
{
    makeOwnerOnlyFolder(m_stateDir);
}

LinphoneCoreRunner::~LinphoneCoreRunner()
{
    stop();
}

QString LinphoneCoreRunner::stateFile(const char *name) const
{
    return m_stateDir + QLatin1Char('/') + QLatin1String(name);
}

std::string LinphoneCoreRunner::localPath(const QString &path)
{
    return QFile::encodeName(path).toStdString();
}

bool LinphoneCoreRunner::prepareFolders()
{
    if (m_stateDir.isEmpty() || !makeOwnerOnlyFolder(m_stateDir))
        return false;
    // An empty plugin folder: mediastreamer2 then loads no plugin (its video
    // plugin would bring Qt 5 into the process).
    return makeOwnerOnlyFolder(stateFile(kPluginFolderName));
}

bool LinphoneCoreRunner::start(Listeners listeners)
{
    if (m_core)
        return true;
    // Liblinphone is not thread-safe: the core lives on the event-loop thread.
    if (QCoreApplication::instance() && QThread::currentThread() != QCoreApplication::instance()->thread())
        return false;
    if (!prepareFolders())
        return false;

    // Quiet: liblinphone logs about 100 lines a second at its default level.
    linphone::LoggingService::get()->setLogLevel(linphone::LogLevel::Error);

    auto factory = linphone::Factory::get();
    // Every file liblinphone writes goes into the state folder; the names
    // are glued to these folders, hence the trailing '/'.
    factory->setConfigDir(folderWithSlash(m_stateDir));
    factory->setDataDir(folderWithSlash(m_stateDir));
    factory->setDownloadDir(folderWithSlash(m_stateDir));
    factory->setMspluginsDir(folderWithSlash(stateFile(kPluginFolderName)));

    auto config = factory->createConfig(localPath(stateFile(kConfigFileName)));
    if (!config)
        return false;
    prepareConfig(config);

    std::shared_ptr<linphone::Core> core;
    try {
        core = factory->createCoreWithConfig(config, nullptr);
    } catch (...) {
        core.reset();
    }
    if (!core)
        return false;

    m_iterated = listeners.iterated;
    m_coreEvents = std::make_shared<CoreEvents>(std::move(listeners));
    core->addListener(m_coreEvents);
    configureCore(core);
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
    m_iterateTimer = new QTimer(this);
    m_iterateTimer->setInterval(kIterateMs);
    connect(m_iterateTimer, &QTimer::timeout, this, [this] {
        if (!m_core)
            return;
        m_core->iterate();
        if (m_iterated)
            m_iterated();
    });
    m_iterateTimer->start();
    return true;
}

void LinphoneCoreRunner::stop()
{
    if (m_iterateTimer) {
        m_iterateTimer->stop();
        m_iterateTimer->deleteLater();
        m_iterateTimer = nullptr;
    }
    if (!m_core)
        return;
    m_core->stop();
    m_core->removeListener(m_coreEvents);
    if (m_coreEvents)
        m_coreEvents->detach();
    m_coreEvents.reset();
    m_core.reset();
    m_iterated = nullptr;
}

} // namespace ralu
