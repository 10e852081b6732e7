// The one SIP account: the provisioning profile read into liblinphone's
// account settings (registrar and proxy S over UDP with digest
// authentication), its registration, and the registration states reported
// as RTCE_REGISTRATION_STATE_CHANGE events. Credentials live in memory only.
//
// Keeping the registration true: liblinphone alone refreshes a 600 s
// registration only after about nine minutes, so a provider that went away
// (or restarted and forgot its bindings) would go unnoticed that long while
// Ralu still says it is registered. While registered and idle, the account
// refreshes its registration every kKeepAliveMs; a refresh that fails is
// reported as the registration lost, and liblinphone retries it every
// kRetryAfterMs (set on the core) until the provider answers again.
//
// Threads: createProfile(), enableProfile() and the keep-alive timer are the
// Qt thread's; everything else, the liblinphone objects held here included,
// is the core thread's: set, read and released there only. A profile is
// made on the Qt thread and never changed, so the core thread may read it.
#pragma once

#include "engine/ProvisioningProfile.h"
#include "engine/RtcClient.h"

#include <QTimer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace linphone {
class Account;
class AuthInfo;
class Core;
} // namespace linphone

namespace ralu {

class LinphoneCoreRunner;
class RtcEventQueue;

class LinphoneRtcProfile : public RtcProfile {
public:
    LinphoneRtcProfile(std::string xml, ProfileAccount account)
        : m_xml(std::move(xml))
        , m_account(std::move(account))
    {
    }
    std::string xml() const override { return m_xml; }
    const ProfileAccount &account() const { return m_account; }

private:
    std::string m_xml;
    ProfileAccount m_account;
};

class LinphoneAccount : public RtcProvisioning {
public:
    LinphoneAccount(LinphoneCoreRunner &runner, RtcEventQueue &events);

    std::shared_ptr<RtcProfile> createProfile(const std::string &xml) override;
    // One account at a time: enabling a profile replaces the previous one.
    bool enableProfile(const std::shared_ptr<RtcProfile> &profile, long registerFlags) override;

    // The rest on the core thread only (inside a runner job or listener).

    // True when calls may be placed with profile: null (the enabled account)
    // or a profile for the enabled account's user.
    bool callsWith(const std::shared_ptr<RtcProfile> &profile) const;

    // From the core listener.
    void onRegistrationState(
        const std::shared_ptr<linphone::Account> &account, int state, const std::string &message);
    // At shutdown: removes the account, which queues its un-REGISTER (a
    // registered account still in the core at stop() makes it wait, up to
    // 2 s when the server has gone away). The keep-alive timer must be
    // stopped first, on its own thread (stopKeepAlive()).
    void removeForShutdown();
    // True once the un-REGISTER sent by removeForShutdown() has its answer
    // (or there was none to send).
    bool unregistered() const;
    // Lets go of the accounts still held (last, before the core stops).
    void releaseRemaining();
    void stopKeepAlive() { m_keepAlive.stop(); }

    // Liblinphone's registration state and error reason -> RtcRegistrationState
    // (comment table in the .cpp); -1 when the state produces no event.
    static int registrationStateFor(int linphoneRegistrationState, int linphoneReason);

    // One REGISTER a minute at most while registered: a modest load on the
    // provider, and a lost registration shows within about a minute (plus
    // the 32 s a request to a silent server takes to fail).
    static constexpr int kKeepAliveMs = 60 * 1000;
    // While lost, a new REGISTER this long after the last one failed, so
    // that Ralu registers again within about half a minute of the provider
    // coming back.
    static constexpr int kRetryAfterMs = 30 * 1000;
    // The retry interval the next core is made with: kRetryAfterMs unless a
    // test shortened it.
    static int retryAfterMs();
    static void setRetryAfterMsForTests(int ms);

    // How long the credentials of an account that was replaced stay for its
    // un-REGISTER, at most (a request to a silent server fails after 32 s).
    static constexpr int kRetireMs = 40 * 1000;

private:
    // An account that was replaced: removed from the core, which sends its
    // un-REGISTER; its credentials stay until that is answered (the provider
    // may challenge it, its nonce having expired) or kRetireMs have passed.
    struct Retiring {
        std::shared_ptr<linphone::Account> account;
        std::shared_ptr<linphone::AuthInfo> authInfo;
        quint64 serial; // names it on the Qt thread, which holds no liblinphone object
    };

    bool enable(
        const std::shared_ptr<linphone::Core> &core, const LinphoneRtcProfile &profile, long registerFlags);
    void retire(); // the enabled account, keeping its credentials a while
    void dropCredentials(const std::function<bool(const Retiring &)> &which);
    void keepAlive();

    LinphoneCoreRunner &m_runner;
    RtcEventQueue &m_events;
    std::shared_ptr<linphone::Account> m_account;
    std::shared_ptr<linphone::AuthInfo> m_authInfo;
    std::shared_ptr<linphone::Account> m_leaving; // unregistering at shutdown
    std::vector<Retiring> m_retiring; // core thread only
    quint64 m_retired = 0; // accounts retired so far (core thread only)
    int m_lastRegistrationState = -1; // last RtcRegistrationState queued, -1: none
    QTimer m_keepAlive;
};

} // namespace ralu
