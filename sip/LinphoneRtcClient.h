// The liblinphone adapter behind RtcClient: one SIP account over UDP, audio
// calls only. A facade over its parts, each in a file of its own:
//   LinphoneCoreRunner  the core and the thread that drives it
//   LinphoneCoreSettings  its configuration, sound devices and codecs
//   LinphoneAccount     the profile's account and its registration
//   LinphoneCalls       calls as sessions, their states as events
//   RtcEventQueue       delivery to the handler: one at a time, from the
//                       event loop, never re-entrant, held on request
//   LinphoneSounds      ring, local sound files, levels
//   LinphoneAudioSetup  sound devices, test tone, input meter
//
// Threading: the client must be created, used and destroyed on the thread
// that runs the Qt event loop, where its events are delivered; liblinphone
// itself runs on the core thread (LinphoneCoreRunner). Every liblinphone
// object is made, used and released on the core thread: the parts hold them
// in fields of the core thread's, dropped there before the core stops, and
// what the Qt thread learns of them comes as events or as a job's result
// (LinphoneCalls.h, for the sessions).
#pragma once

#include "audio/SoundPlayer.h"
#include "engine/RtcClient.h"
#include "sip/LinphoneAccount.h"
#include "sip/LinphoneAudioSetup.h"
#include "sip/LinphoneCalls.h"
#include "sip/LinphoneCoreRunner.h"
#include "sip/LinphoneSounds.h"
#include "sip/RtcEventQueue.h"

#include <QObject>
#include <QString>

namespace ralu {

class LinphoneRtcClient : public QObject, public RtcClient, public SoundPlayer {
    Q_OBJECT
public:
    // stateDir: owner-only folder for liblinphone's files, created (0700)
    // when missing.
    explicit LinphoneRtcClient(const QString &stateDir, QObject *parent = nullptr);
    ~LinphoneRtcClient() override;

    // Starts creating the SIP core in the background, so that initialize()
    // finds it (nearly) ready; optional.
    void prepare();
    bool initialize() override;
    std::string startFailure() const override { return m_runner.startFailure().toStdString(); }
    bool setEventFilter(long filter) override;
    bool setEventHandler(RtcEventHandler handler) override;
    bool setListenForIncomingSessions(RtcListenMode mode) override;
    bool setPreferredMediaTypes(long mediaTypes, bool persistent) override;
    RtcProvisioning *provisioning() override;
    std::shared_ptr<RtcSession> createSession(RtcSessionType type, const std::string *localPhoneUri,
        const std::shared_ptr<RtcProfile> &profile, long flags) override;
    bool getVolume(RtcAudioDevice device, long *level) override;
    bool putVolume(RtcAudioDevice device, long level) override;
    bool playRing(RtcRingType type, bool play) override;
    bool sendDTMF(RtcDtmf digit) override;
    bool invokeTuningWizard(unsigned long long parentWindow) override;
    bool hasSoundDevices() override;
    std::vector<RtcSoundDevice> availableSoundDevices(RtcAudioDevice direction) override;
    std::string soundDevice(RtcAudioDevice direction) override;
    bool setSoundDevice(RtcAudioDevice direction, const std::string &id) override;
    bool playTestTone() override;
    bool startInputMeter() override;
    bool inputMeterLevel(double *level) override;
    void stopInputMeter() override;
    bool shutdown() override;
    void holdEvents() override;
    void releaseEvents() override;

    // Local sounds (key tones) through liblinphone's own player: Core::playLocal.
    bool playFile(const QString &path) override;

    // Headless runs (tests): plays playWav into calls instead of the
    // microphone and records what the far end sends into recordWav, so no
    // sound card is needed. Before or after initialize().
    void useFilesForAudio(const QString &playWav, const QString &recordWav);

    // The process ends right after shutdown(): the un-REGISTER still goes
    // out, but the core is not torn down (which takes 50-100 ms).
    void setProcessEndsAtShutdown(bool ends) { m_runner.setLeaveCoreAtStop(ends); }

    // The audio set-up window, which the composition root provides (windows
    // are above this layer); it gets the parent's native id and returns
    // false when it could not open.
    void setTuningWizard(std::function<bool(unsigned long long parentWindow)> open)
    {
        m_tuningWizard = std::move(open);
    }

    QString stateDir() const { return m_runner.stateDir(); }
    QString ringFile() const { return m_sounds.ringFile(); }
    QString ringbackFile() const { return m_sounds.ringbackFile(); }

    // How long shutdown() waits for the provider's answer to the un-REGISTER.
    static constexpr int kUnregisterWaitMs = 30;

private:
    LinphoneCoreRunner::Listeners listeners();

    RtcEventQueue m_events;
    LinphoneCoreRunner m_runner;
    LinphoneAccount m_account;
    LinphoneCalls m_calls;
    LinphoneSounds m_sounds;
    LinphoneAudioSetup m_audioSetup;
    std::function<bool(unsigned long long)> m_tuningWizard;
    bool m_initialized = false;
};

} // namespace ralu
