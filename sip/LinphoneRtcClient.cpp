#include "sip/LinphoneRtcClient.h"

#include <linphone++/linphone.hh>

namespace ralu {

LinphoneRtcClient::LinphoneRtcClient(const QString &stateDir, QObject *parent)
    : QObject(parent)
    , m_runner(stateDir)
    , m_account(m_runner, m_events)
    , m_calls(m_runner, m_account, m_events)
    , m_sounds(m_runner)
    , m_audioSetup(m_runner)
{
    m_events.setOnDelivery(&LinphoneCalls::delivered);
}

LinphoneRtcClient::~LinphoneRtcClient()
{
    shutdown();
}

LinphoneCoreRunner::Listeners LinphoneRtcClient::listeners()
{
    LinphoneCoreRunner::Listeners listeners;
    listeners.registration = [this](const auto &account, int state, const std::string &message) {
        m_account.onRegistrationState(account, state, message);
    };
    listeners.call = [this](const auto &call, int state, const std::string &message) {
        m_calls.onCallState(call, state, message);
        if (state == int(linphone::Call::State::StreamsRunning))
            m_sounds.applyLevelsToCall();
    };
    listeners.callLog = [this](const auto &log) { m_calls.onCallLog(log); };
    listeners.transfer = [this](const auto &call, int state) { m_calls.onTransferState(call, state); };
    return listeners;
}

void LinphoneRtcClient::prepare()
{
    m_runner.begin(listeners());
}

bool LinphoneRtcClient::initialize()
{
    if (m_initialized)
        return true;
    if (!m_runner.start(listeners()))
        return false;
    m_sounds.writeRingFile(); // a missing ring only silences playRing
    m_sounds.applyRingback(); // and a missing ring-back the caller's wait
    m_sounds.applyFiles();
    m_initialized = true;
    return true;
}

bool LinphoneRtcClient::setEventFilter(long filter)
{
    m_events.setFilter(filter);
    return true;
}

bool LinphoneRtcClient::setEventHandler(RtcEventHandler handler)
{
    m_events.setHandler(std::move(handler));
    return true;
}

bool LinphoneRtcClient::setListenForIncomingSessions(RtcListenMode mode)
{
    m_calls.setListenMode(mode);
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
    return m_initialized ? &m_account : nullptr;
}

std::shared_ptr<RtcSession> LinphoneRtcClient::createSession(RtcSessionType type,
    const std::string *localPhoneUri, const std::shared_ptr<RtcProfile> &profile, long flags)
{
    Q_UNUSED(localPhoneUri);
    Q_UNUSED(flags);
    return m_calls.createSession(type, profile);
}

bool LinphoneRtcClient::getVolume(RtcAudioDevice device, long *level)
{
    return m_sounds.getVolume(device, level);
}

bool LinphoneRtcClient::putVolume(RtcAudioDevice device, long level)
{
    return m_sounds.putVolume(device, level);
}

bool LinphoneRtcClient::playRing(RtcRingType type, bool play)
{
    return m_sounds.playRing(type, play);
}

bool LinphoneRtcClient::playFile(const QString &path)
{
    return m_sounds.playFile(path);
}

void LinphoneRtcClient::useFilesForAudio(const QString &playWav, const QString &recordWav)
{
    m_sounds.useFilesForAudio(playWav, recordWav);
}

bool LinphoneRtcClient::sendDTMF(RtcDtmf digit)
{
    return m_calls.sendDtmf(digit);
}

bool LinphoneRtcClient::invokeTuningWizard(unsigned long long parentWindow)
{
    return m_initialized && m_tuningWizard && m_tuningWizard(parentWindow);
}

std::vector<RtcSoundDevice> LinphoneRtcClient::availableSoundDevices(RtcAudioDevice direction)
{
    return m_audioSetup.devices(direction);
}

std::string LinphoneRtcClient::soundDevice(RtcAudioDevice direction)
{
    return m_audioSetup.device(direction);
}

bool LinphoneRtcClient::setSoundDevice(RtcAudioDevice direction, const std::string &id)
{
    return m_audioSetup.setDevice(direction, id);
}

bool LinphoneRtcClient::playTestTone()
{
    return m_audioSetup.playTestTone();
}

bool LinphoneRtcClient::startInputMeter()
{
    return m_audioSetup.startInputMeter();
}

bool LinphoneRtcClient::inputMeterLevel(double *level)
{
    return m_audioSetup.inputMeterLevel(level);
}

void LinphoneRtcClient::stopInputMeter()
{
    m_audioSetup.stopInputMeter();
}

bool LinphoneRtcClient::hasSoundDevices()
{
    return m_initialized && m_sounds.hasSoundDevices();
}

bool LinphoneRtcClient::shutdown()
{
    m_account.stopKeepAlive();
    m_audioSetup.release();
    m_runner.run([this](const auto &) {
        m_calls.releaseAll();
        m_account.removeForShutdown();
    });
    // The un-REGISTER goes out before the core stops; its answer (a
    // millisecond or two from a provider that is there) is waited for a
    // little, so that the provider has it even when the datagram would be
    // lost, but never long: the user is quitting.
    m_runner.stop(
        kUnregisterWaitMs, [this] { return m_account.unregistered(); },
        [this] { m_account.releaseRemaining(); });
    m_events.clear();
    m_initialized = false;
    return true;
}

} // namespace ralu
