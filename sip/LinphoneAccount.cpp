#include "sip/LinphoneAccount.h"

#include "sip/LinphoneCoreRunner.h"
#include "sip/RtcEventQueue.h"
#include "sip/SipOutcome.h"
#include "sip/SipStackLog.h"

#include <linphone++/linphone.hh>

#include <QString>

#include <atomic>

namespace ralu {

namespace {

bool isUdp(const std::string &protocol)
{
    return QString::fromStdString(protocol).compare(QLatin1String("UDP"), Qt::CaseInsensitive) == 0;
}

std::atomic<int> g_retryAfterMs { LinphoneAccount::kRetryAfterMs };
std::atomic<int> g_probeIntervalMs { LinphoneAccount::kProbeIntervalMs };

} // namespace

int LinphoneAccount::retryAfterMs()
{
    return g_retryAfterMs;
}

void LinphoneAccount::setRetryAfterMsForTests(int ms)
{
    g_retryAfterMs = ms;
}

int LinphoneAccount::probeIntervalMs()
{
    return g_probeIntervalMs;
}

void LinphoneAccount::setProbeIntervalMsForTests(int ms)
{
    g_probeIntervalMs = ms;
}

LinphoneAccount::LinphoneAccount(LinphoneCoreRunner &runner, RtcEventQueue &events)
    : m_runner(runner)
    , m_events(events)
{
    QObject::connect(&m_keepAlive, &QTimer::timeout, &m_keepAlive, [this] { probe(); });
}

void LinphoneAccount::probe()
{
    m_runner.run([this](const auto &core) {
        // Not during a call: the call's own signalling shows whether the
        // provider is there, and a registration event would overwrite the
        // call's status line.
        if (!m_account || !core || m_account->getState() != linphone::RegistrationState::Ok
            || core->getCallsNb() != 0)
            return;
        const std::weak_ptr<linphone::Account> account = m_account;
        if (!m_runner.probeRegistrar([this, account](bool answered) { onProbe(account.lock(), answered); }))
            m_account->refreshRegister(); // no edge to ask through: the registration itself tells
    });
}

void LinphoneAccount::onProbe(const std::shared_ptr<linphone::Account> &account, bool answered)
{
    if (answered || !account || account != m_account || !m_runner.core() || m_runner.core()->getCallsNb() != 0
        || account->getState() != linphone::RegistrationState::Ok)
        return;
    // Lost: said at once. The refresh goes to a silent provider and fails,
    // and liblinphone then retries every retryAfterMs() until it answers.
    pushRegistrationEvent(RTCRS_NOT_REGISTERED, 408, "Request Timeout");
    account->refreshRegister();
}

std::shared_ptr<RtcProfile> LinphoneAccount::createProfile(const std::string &xml)
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

bool LinphoneAccount::enableProfile(const std::shared_ptr<RtcProfile> &profile, long registerFlags)
{
    auto p = std::dynamic_pointer_cast<LinphoneRtcProfile>(profile);
    if (!p)
        return false;
    m_keepAlive.stop();
    bool enabled = false;
    m_runner.run([&](const auto &core) { enabled = core && enable(core, *p, registerFlags); });
    if (enabled)
        m_keepAlive.start(probeIntervalMs());
    return enabled;
}

bool LinphoneAccount::enable(
    const std::shared_ptr<linphone::Core> &core, const LinphoneRtcProfile &p, long registerFlags)
{
    const ProfileAccount &a = p.account();
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

    // One account at a time: the previous one goes, its credentials once it
    // has unregistered.
    retire();
    m_lastRegistrationState = -1;

    auto params = core->createAccountParams();
    if (!params || params->setIdentityAddress(identity) != 0 || params->setServerAddress(serverAddress) != 0)
        return false;
    params->enableOutboundProxy(true); // every request goes to S
    params->setExpires(a.expires);
    params->enablePublish(false);
    params->enableRegister((registerFlags & RTCRF_REGISTER_INVITE_SESSIONS) != 0);

    auto account = core->createAccount(params);
    if (!account)
        return false;
    // Realm left empty: the credentials answer any realm of domain S.
    auto auth = factory->createAuthInfo(a.userName, "", a.password, "", "", identity->getDomain());
    core->addAuthInfo(auth);
    m_authInfo = auth;
    m_account = account; // before addAccount: its first state arrives from inside
    if (core->addAccount(account) != 0) {
        m_account.reset();
        core->removeAuthInfo(auth);
        m_authInfo.reset();
        return false;
    }
    core->setDefaultAccount(account);
    return true;
}

bool LinphoneAccount::callsWith(const std::shared_ptr<RtcProfile> &profile) const
{
    if (!m_account)
        return false;
    if (!profile)
        return true;
    // A profile other than the enabled one has no account to call with.
    auto p = std::dynamic_pointer_cast<LinphoneRtcProfile>(profile);
    auto current = m_account->getParams();
    if (!p || !current)
        return false;
    const auto id = current->getIdentityAddress();
    return id && id->getUsername() == p->account().userName;
}

void LinphoneAccount::retire()
{
    const auto &core = m_runner.core();
    if (m_account && core) {
        core->removeAccount(m_account); // sends the un-REGISTER
        const quint64 serial = ++m_retired;
        m_retiring.push_back({ m_account, m_authInfo, serial });
        // The bound, timed on the event loop's thread, which gets only the
        // serial: a liblinphone object it held would be released there.
        QMetaObject::invokeMethod(
            &m_keepAlive,
            [this, serial] {
                QTimer::singleShot(kRetireMs, &m_keepAlive, [this, serial] {
                    m_runner.run([&](const auto &) {
                        dropCredentials([serial](const Retiring &r) { return r.serial == serial; });
                    });
                });
            },
            Qt::QueuedConnection);
    }
    m_account.reset();
    m_authInfo.reset();
}

void LinphoneAccount::dropCredentials(const std::function<bool(const Retiring &)> &which)
{
    for (auto it = m_retiring.begin(); it != m_retiring.end(); ++it) {
        if (!which(*it))
            continue;
        const auto old = it->authInfo;
        m_retiring.erase(it);
        // Credentials for the same user and domain as the enabled account's
        // have been replaced by its own: removing them would remove those.
        const bool replaced = m_authInfo && old && m_authInfo->getUsername() == old->getUsername()
            && m_authInfo->getDomain() == old->getDomain();
        if (old && !replaced && m_runner.core())
            m_runner.core()->removeAuthInfo(old);
        return;
    }
}

void LinphoneAccount::removeForShutdown()
{
    m_leaving.reset();
    if (m_account && m_runner.core()) {
        // Registered (or registering): the removal sends an un-REGISTER,
        // whose answer the runner may wait for.
        const auto state = m_account->getState();
        if (state == linphone::RegistrationState::Ok || state == linphone::RegistrationState::Progress)
            m_leaving = m_account;
        m_runner.core()->removeAccount(m_account);
    }
    m_account.reset();
    m_authInfo.reset();
}

void LinphoneAccount::releaseRemaining()
{
    m_leaving.reset();
    m_retiring.clear();
}

bool LinphoneAccount::unregistered() const
{
    if (!m_leaving)
        return true;
    const auto state = m_leaving->getState();
    return state != linphone::RegistrationState::Ok && state != linphone::RegistrationState::Progress;
}

// Liblinphone registration state -> RtcRegistrationState. -1: no event.
//
//   liblinphone RegistrationState   error reason                    RtcRegistrationState
//   ------------------------------  ------------------------------  --------------------
//   None                            -                               NOT_REGISTERED
//   Progress                        -                               REGISTERING (none for a
//                                                                   refresh while REGISTERED)
//   Ok                              -                               REGISTERED
//   Cleared                         -                               LOGGED_OFF
//   Failed                          Unauthorized (401, 407),        REJECTED
//                                   Forbidden (403)
//   Failed                          anything else (io error,        NOT_REGISTERED, whether
//                                   timeout, 5xx, not found...)     the registration is lost
//                                                                   or was never made
//   (Refreshing: not reported by this liblinphone; a refresh shows as
//   Ok again. Repeats, and REGISTERING while the stack tries again, are
//   dropped by registrationEventFor.)
int LinphoneAccount::registrationStateFor(int state, int reason)
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
            // Never ERROR, which the application ignores: a first
            // registration that cannot be made is shown as not registered.
            return RTCRS_NOT_REGISTERED;
        }
    }
    return -1;
}

void LinphoneAccount::onRegistrationState(
    const std::shared_ptr<linphone::Account> &account, int state, const std::string &message)
{
    // Only the enabled account speaks; a removed one unregistering is not
    // news, but once it is done its credentials can go.
    if (account && account != m_account) {
        using R = linphone::RegistrationState;
        if (R(state) == R::Cleared || R(state) == R::Failed)
            dropCredentials([&account](const Retiring &r) { return r.account == account; });
        return;
    }
    if (!account)
        return;
    const auto info = account->getErrorInfo();
    const int reason = int(account->getError());
    const int mapped = registrationStateFor(state, reason);
    int code = 0;
    std::string text;
    if (info && info->getProtocolCode() > 0) {
        code = info->getProtocolCode();
        text = info->getPhrase();
    } else if (mapped == RTCRS_REGISTERED) {
        code = 200;
        text = "OK";
    }
    if (linphone::RegistrationState(state) == linphone::RegistrationState::Failed)
        qCWarning(lcSip).noquote() << "registration failed:" << code
                                   << QString::fromStdString(text.empty() ? message : text);
    pushRegistrationEvent(mapped, code, text.empty() ? message : text);
}

void LinphoneAccount::pushRegistrationEvent(int state, int statusCode, const std::string &statusText)
{
    const int mapped = registrationEventFor(state, m_lastRegistrationState);
    if (mapped < 0)
        return;
    m_lastRegistrationState = mapped;
    RtcEvent e;
    e.type = RTCE_REGISTRATION_STATE_CHANGE;
    e.registrationState = RtcRegistrationState(mapped);
    e.statusCode = statusCode;
    e.statusText = statusText;
    m_events.push(std::move(e));
}

} // namespace ralu
