// The liblinphone adapter behind RtcClient: one SIP account over UDP, audio
// calls only.
//
// Threading: liblinphone is not thread-safe. The client must be created,
// used and destroyed on the thread that runs the Qt event loop; a 20 ms timer
// on that thread drives Core::iterate().
//
// Events: liblinphone reports changes from inside iterate() (and sometimes
// from inside accept()/terminate()). The client never calls the event handler
// from there: it translates each change into an RtcEvent, queues it, and
// delivers the queue from the event loop, one event per turn, never while
// the handler is still running (a modal dialog opened by the handler runs a
// nested event loop; iterate keeps running, delivery waits for the handler
// to return) and never while the events are held (holdEvents()).
//
// Files: everything liblinphone writes goes into the state folder given to
// the constructor (owner-only). Passwords are never written there: the
// credentials live in memory only, for the lifetime of the core.
#pragma once

#include "engine/ProvisioningProfile.h"
#include "engine/RtcClient.h"
#include "audio/SoundPlayer.h"

#include <QObject>
#include <QString>

#include <deque>
#include <map>
#include <memory>
#include <set>

class QTimer;

namespace linphone {
class Account;
class AuthInfo;
class Call;
class Core;
class CoreListener;
} // namespace linphone

namespace ralu {

class LinphoneRtcSession;

class LinphoneRtcClient : public QObject, public RtcClient, public SoundPlayer {
    Q_OBJECT
public:
    // stateDir: owner-only folder for liblinphone's files, created (0700)
    // when missing.
    explicit LinphoneRtcClient(const QString &stateDir, QObject *parent = nullptr);
    ~LinphoneRtcClient() override;

    bool initialize() override;
    bool setEventFilter(long filter) override;
    bool setEventHandler(RtcEventHandler handler) override;
    bool setListenForIncomingSessions(RtcListenMode mode) override;
    bool setPreferredMediaTypes(long mediaTypes, bool persistent) override;
    RtcProvisioning *provisioning() override;
    std::shared_ptr<RtcSession> createSession(RtcSessionType type, const std::string *localPhoneUri,
                                              const std::shared_ptr<RtcProfile> &profile,
                                              long flags) override;
    bool getVolume(RtcAudioDevice device, long *level) override;
    bool putVolume(RtcAudioDevice device, long level) override;
    bool playRing(RtcRingType type, bool play) override;
    bool sendDTMF(RtcDtmf digit) override;
    bool invokeTuningWizard(unsigned long long parentWindow) override;
    bool shutdown() override;
    void holdEvents() override;
    void releaseEvents() override;

    // Local sounds (key tones) through liblinphone's own player: Core::playLocal.
    bool playFile(const QString &path) override;

    // Headless runs (tests): plays playWav into calls instead of the
    // microphone and records what the far end sends into recordWav, so no
    // sound card is needed. Call after initialize().
    void useFilesForAudio(const QString &playWav, const QString &recordWav);

    // Level <-> software gain, both ways (documented in the .cpp).
    static float levelToGainDb(long level);
    static long gainDbToLevel(float gainDb);

    // Liblinphone's states translated for the application (comment tables in
    // the .cpp). Registration: -1 when the state produces no event.
    static int registrationStateFor(int linphoneRegistrationState, int linphoneReason);

    QString stateDir() const { return m_stateDir; }
    QString ringFile() const;

private:
    friend class LinphoneRtcSession;
    class CoreEvents;
    class Provisioning;

    // Called by the core listener (inside iterate()).
    void onRegistrationState(const std::shared_ptr<linphone::Account> &account, int state,
                             const std::string &message);
    void onCallState(const std::shared_ptr<linphone::Call> &call, int state,
                     const std::string &message);

    std::shared_ptr<RtcProfile> createProfile(const std::string &xml);
    bool enableProfile(const std::shared_ptr<RtcProfile> &profile, long registerFlags);

    // Places an outgoing call for session.
    std::shared_ptr<linphone::Call> invite(LinphoneRtcSession *session,
                                           const std::shared_ptr<RtcProfile> &profile,
                                           const std::string &address, const std::string &name);

    void queueEvent(RtcEvent event);
    void queueSessionState(const std::shared_ptr<LinphoneRtcSession> &session, RtcSessionState state,
                           int statusCode = 0, const std::string &statusText = std::string());
    void scheduleDelivery();
    void deliverOne();
    void iterateCore();
    bool writeRingFile() const;
    bool prepareFolders();
    std::shared_ptr<LinphoneRtcSession> sessionFor(const std::shared_ptr<linphone::Call> &call,
                                                   bool create);

    QString m_stateDir;
    std::shared_ptr<linphone::Core> m_core;
    std::shared_ptr<CoreEvents> m_coreEvents;
    std::unique_ptr<Provisioning> m_provisioning;
    QTimer *m_iterateTimer = nullptr;
    bool m_initialized = false;

    // The enabled account and its credentials.
    std::shared_ptr<linphone::Account> m_account;
    std::shared_ptr<linphone::AuthInfo> m_authInfo;
    int m_lastRegistrationState = -1; // last RtcRegistrationState queued, -1: none

    // Sessions by liblinphone call (its C object), until the call is released.
    std::map<const void *, std::shared_ptr<LinphoneRtcSession>> m_sessions;
    // Incoming calls refused while not listening: they produce no events.
    std::set<const void *> m_refusedCalls;
    // The session whose call is being placed (its first states arrive before
    // invite returns).
    std::shared_ptr<LinphoneRtcSession> m_placing;
    RtcListenMode m_listenMode = RTCLM_BOTH;

    RtcEventHandler m_handler;
    long m_filter = RTCEF_CLIENT | RTCEF_REGISTRATION_STATE_CHANGE | RTCEF_SESSION_STATE_CHANGE
        | RTCEF_SESSION_OPERATION_COMPLETE | RTCEF_PARTICIPANT_STATE_CHANGE | RTCEF_MEDIA;
    std::deque<RtcEvent> m_queue;
    bool m_inHandler = false;
    int m_holds = 0; // holdEvents() not yet released
    bool m_deliveryScheduled = false;
};

} // namespace ralu
